#include "support/testmachine.h"

#include "storage/windowsstoragemanager.h"
#include "worker/diskoperationworker.h"

#include <QDir>
#include <QRegularExpression>
#include <QtTest>

#include <random>

// What a user can type that reaches a script or command line (letters, labels, file systems, ids,
// sizes): 10,000 inputs through every operation that builds a script. No tool can start and scripts
// are kept: every line a diskpart command of the jobs' own shape, only the tools tried, no change.

namespace {

using Options = DiskOperationWorker::FormatOptions;

// Control characters, quotes, cmd's special characters, letters and digits (ASCII, Arabic-Indic,
// full-width), right-to-left marks, Hebrew, Arabic, emoji, CJK, a byte-order mark.
const char32_t Pool[] = U"\x00\x01\x07\b\t\n\v\f\r\x1b\x1f\x7f\x85\u2028\u2029\"'`&|^%!<>();,=\\/:*?$#@[]{}~ -+.EeZq0179"
                            U"\u05d0\u0627\u202e\u200f\U0001f600\U0001f4be\u4e2d\u6587\u00e9\ufeff\ufffd\u0660\uff11";

// Plausible beginnings, so that many inputs get past the first check.
const char *const Starts[] = {"", "E:", "e", "0:1", "1:2", "Data", "ntfs", "FAT32", "exfat", "12", "E:\\", "  "};

QString generated(std::mt19937 &rng)
{
    QString text = QString::fromUtf8(Starts[rng() % std::size(Starts)]);
    // Mostly short; one in twenty runs past 300 characters.
    const int length = rng() % 20 == 0 ? 300 + int(rng() % 40) : int(rng() % 12);
    for (int i = 0; i < length; ++i) {
        const char32_t c = Pool[rng() % (std::size(Pool) - 1)]; // the terminator aside
        text += QString::fromUcs4(&c, 1);
    }
    return text;
}

// The lines the jobs write, each on its own.
bool wellFormed(const QString &line)
{
    static const QRegularExpression shapes(QStringLiteral(
        "\\A(select (disk|partition) [0-9]+|select volume ([0-9]+|[A-Za-z])|assign( letter=[A-Za-z])?"
        "|format fs=(ntfs|fat32|exfat)( quick)?( unit=[0-9]+)?( label=\"[^\"\\x00-\\x1f\\x7f-\\x9f\\x{2028}\\x{2029}]*\")? override"
        "|remove letter=[A-Za-z]|delete partition override|exit)\\z"));
    return shapes.match(line).hasMatch();
}

QStringList g_programs; // what the runner tried to start
QtMessageHandler g_previous = nullptr;

void quiet(QtMsgType, const QMessageLogContext &, const QString &message)
{
    static const QRegularExpression start(QStringLiteral("could not start \"([^\"]*)\""));
    const QRegularExpressionMatch m = start.match(message);
    if (m.hasMatch())
        g_programs << QFileInfo(m.captured(1)).completeBaseName();
}

} // namespace

class TestScriptFuzz : public QObject
{
    Q_OBJECT

private slots:
    void everyInputEveryScript()
    {
        TestMachine tm;
        tm.addDataDisk();
        QVERIFY(tm.write());
        QFile machineFile(tm.path());
        QVERIFY(machineFile.open(QIODevice::ReadOnly));
        const QByteArray machine = machineFile.readAll();

        QTemporaryDir noTools, scripts;
        const QByteArray bin = qgetenv("TESSALINE_BIN_DIR");
        qputenv("TESSALINE_BIN_DIR", QFile::encodeName(noTools.path()));
        const auto tmp = temporaryFolder(QFile::encodeName(scripts.path()));
        qputenv("TESSALINE_KEEP_SCRIPTS", "1");
        g_previous = qInstallMessageHandler(quiet);
        const auto restore = qScopeGuard([&] {
            qInstallMessageHandler(g_previous);
            qputenv("TESSALINE_BIN_DIR", bin);
            qunsetenv("TESSALINE_KEEP_SCRIPTS");
        });

        DiskOperationWorker worker;
        WindowsStorageManager storage;
        std::mt19937 rng(20261208);
        const QStringList fileSystems = {"NTFS", "FAT32", "exFAT"};
        QStringList badLines;
        int written = 0, changed = 0;
        // Reads and removes the script an operation kept, if it wrote one.
        const auto collect = [&](const QString &input) {
            for (const QString &folder : QDir(scripts.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                QDir dir(scripts.filePath(folder));
                for (const QString &name : dir.entryList(QDir::Files)) {
                    QFile f(dir.filePath(name));
                    written += f.open(QIODevice::ReadOnly);
                    QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
                    if (!lines.takeLast().isEmpty()) // every line ends, the last one too
                        lines << QStringLiteral("(no line end)");
                    for (const QString &line : lines)
                        if (!wellFormed(line))
                            badLines << input.toUtf8().toPercentEncoding() + " -> " + line.toUtf8().toPercentEncoding();
                }
                dir.removeRecursively();
            }
            machineFile.seek(0);
            changed += machineFile.readAll() != machine;
        };

        for (int i = 0; i < 10000; ++i) {
            const QString x = generated(rng);
            const QString fs = fileSystems[i % 3];
            const qint64 size = qint64(rng() % (1u << 31)) * (qint64(1) << (rng() % 32)) * (rng() % 2 ? 1 : -1);
            switch (i % 5) {
            case 0: // a drive letter
                worker.formatUsingDiskpartByVolume(x, fs, "Data", true, 0), collect(x);
                worker.dismountWithDiskpart(x), collect(x);
                worker.dismountWithFsutil(x), collect(x);
                worker.executeFormatWithDiskpart(Options{x, fs, "Data", 0, true}), collect(x);
                storage.assignDriveLetterWithDiskpart(QStringLiteral("0:1"), x), collect(x);
                break;
            case 1: // a label
                worker.formatUsingDiskpartByVolume(QStringLiteral("E:"), fs, x, i % 2, 0), collect(x);
                worker.executeFormatWithDiskpart(Options{QStringLiteral("0:1"), fs, x, 0, true}), collect(x);
                worker.formatByPartitionId(QStringLiteral("0:1"), fs, x, size), collect(x);
                break;
            case 2: // a partition id
                worker.formatByPartitionId(x, fs, "Data", size), collect(x);
                worker.executeFormatWithDiskpart(Options{x, fs, "Data", 0, true}), collect(x);
                storage.deletePartition(x), collect(x);
                storage.assignDriveLetterWithDiskpart(x, QStringLiteral("F")), collect(x);
                break;
            case 3: // a size and a cluster size
                worker.formatByPartitionId(QStringLiteral("0:1"), fs, "Data", size), collect(x);
                worker.executeFormatWithDiskpart(Options{QStringLiteral("E:"), fs, "Data", int(size), true}), collect(x);
                worker.formatUsingDiskpartByVolume(QStringLiteral("E:"), fs, "Data", false, int(size)), collect(x);
                break;
            default: // a file system
                worker.formatUsingDiskpartByVolume(QStringLiteral("E:"), x, "Data", true, 0), collect(x);
                worker.executeFormatWithDiskpart(Options{QStringLiteral("0:1"), x, "Data", 0, true}), collect(x);
                worker.formatByPartitionId(QStringLiteral("0:1"), x, "Data", size), collect(x);
            }
        }
        QVERIFY2(badLines.isEmpty(), qPrintable(badLines.mid(0, 5).join(QLatin1Char('\n'))));
        QCOMPARE(changed, 0);
        // Enough got through to mean something, and only the tools were ever tried.
        QVERIFY2(written > 5000, qPrintable(QString::number(written)));
        g_programs.removeDuplicates();
        g_programs.sort();
        QCOMPARE(g_programs, (QStringList{"diskpart", "fsutil"}));
    }
};

QTEST_GUILESS_MAIN(TestScriptFuzz)
#include "tst_scriptfuzz.moc"
