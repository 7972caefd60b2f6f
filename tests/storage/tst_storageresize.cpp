#include "support/testmachine.h"

#include "storage/windowsstoragemanager.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr qint64 MiB = sim::kMiB;
constexpr qint64 GiB = sim::kGiB;

QMutex traceLock;
QStringList traces;

void collect(QtMsgType, const QMessageLogContext &, const QString &message)
{
    QMutexLocker lock(&traceLock);
    traces << message;
}

// Disk 1: E: NTFS 10 GiB (1 GiB used), F: FAT32 2 GiB, 1:3 a lettered 1000 MiB NTFS volume
// (G:, a trap for the size match), 1:4 a 1000 MiB NTFS volume without a letter, free space after.
void buildMachine(TestMachine &tm, double scale)
{
    tm.setTimeScale(scale);
    tm.addDisk(1, 100 * GiB);
    tm.addPartition(1, MiB, 10 * GiB, "Primary", TestMachine::Vol("NTFS", "Data", "E", GiB));
    tm.addPartition(1, 10 * GiB + MiB, 2 * GiB, "Primary", TestMachine::Vol("FAT32", "MEDIA", "F"));
    tm.addPartition(1, 12 * GiB + MiB, 1000 * MiB, "Primary", TestMachine::Vol("NTFS", "Trap", "G"));
    tm.addPartition(1, 13 * GiB + MiB, 1000 * MiB, "Primary", TestMachine::Vol("NTFS", "Bare", ""));
}

QString progressText(const QSignalSpy &spy)
{
    QStringList out;
    for (const QList<QVariant> &args : spy)
        out << args.at(0).toString();
    return out.join(u',');
}

} // namespace

class TestStorageResize : public QObject
{
    Q_OBJECT

private slots:
    // Through getPartitionFileSystemById, which holds the storage lock over the whole detection:
    // a detection that locked again would hang here.
    void detection_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("drives"); // letter:type:bytes:fs, ...
        QTest::addColumn<QString>("expected");
        const qint64 size = 1000 * MiB;
        const auto drive = [](char l, int type, qint64 bytes, const char *fs) {
            return QStringLiteral("%1:%2:%3:%4").arg(QLatin1Char(l)).arg(type).arg(bytes).arg(QLatin1String(fs));
        };
        QTest::newRow("volume map") << "1:1" << drive('K', 3, size, "exFAT") << "NTFS";
        QTest::newRow("FAT32 in the map") << "1:2" << "" << "FAT32";
        // G: (the 1:3 volume) would match but belongs to another partition; the CD never counts;
        // L: is a byte short of 95 %; M: is exactly 95 % and beats N: by its letter.
        QTest::newRow("95 % edge, lowest letter")
            << "1:4"
            << QStringList{drive('K', 5, size, "UDF"), drive('L', 3, size * 95 / 100 - 1, "FAT"),
                           drive('M', 3, size * 95 / 100, "exFAT"), drive('N', 3, size, "ReFS")}.join(u',')
            << "exFAT";
        QTest::newRow("105 % edge, removable")
            << "1:4" << QStringList{drive('L', 3, size * 105 / 100 + 1, "FAT"), drive('N', 2, size * 105 / 100, "ReFS")}.join(u',')
            << "ReFS";
        QTest::newRow("nothing near") << "1:4" << drive('L', 6, size, "NTFS") << "";
        QTest::newRow("no such partition") << "1:9" << "" << "";
        QTest::newRow("one part") << "1" << "" << "";
        QTest::newRow("three parts") << "1:4:1" << drive('M', 3, size, "exFAT") << "";
        QTest::newRow("not numeric") << "1:x" << drive('M', 3, size, "exFAT") << "";
    }

    void detection()
    {
        QFETCH(QString, id);
        QFETCH(QString, drives);
        QFETCH(QString, expected);
        TestMachine tm;
        buildMachine(tm, 0.2);
        for (const QString &d : drives.split(u',', Qt::SkipEmptyParts)) {
            const QStringList f = d.split(u':');
            tm.addOtherDrive(f.at(0), f.at(1).toInt(), f.at(3), QString(), f.at(2).toLongLong());
        }
        QVERIFY(tm.write());
        WindowsStorageManager manager;
        QVERIFY(manager.initialize());
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(manager.getPartitionFileSystemById(id), expected);
        // A well-formed id found nowhere is asked again after the (scaled) second's pause.
        if (expected.isEmpty() && id.count(u':') == 1 && !id.endsWith(u'x'))
            QVERIFY(timer.elapsed() >= 200);
    }

    void resize_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QString>("trace");
        const QString all = QStringLiteral("10,20,30,40,50,60,80,100");
        QTest::newRow("already that size") << "1:1" << 10 * GiB << QStringList() << true << "" << "Partition is already the target size";
        QTest::newRow("a byte under 1 MiB") << "1:1" << MiB - 1 << QStringList() << false << "" << "Target size too small: 1048575";
        QTest::newRow("1 MiB goes to the provider") << "1:1" << MiB << QStringList() << false << all << "Partition resize failed with return code: 4097";
        QTest::newRow("shrink") << "1:1" << 8 * GiB << QStringList() << true << all << "Successfully set Size parameter as VT_UI8";
        QTest::newRow("grow into the free space") << "1:4" << 80 * GiB << QStringList() << true << all << "Resize method returned: 0";
        QTest::newRow("64-bit forms refused: text")
            << "1:1" << 9 * GiB
            << QStringList{R"({"target":"wmi.put","match":"Resize.Size[vt=21]"})", R"({"target":"wmi.put","match":"Resize.Size[vt=20]"})"}
            << true << all << "Successfully set Size parameter as VT_BSTR";
        QTest::newRow("access denied") << "1:1" << 9 * GiB << QStringList{R"({"target":"wmi.method","match":"Resize","hresult":"0x80041003"})"}
                                       << false << all << "Error: ExecMethod failed, HRESULT: 0x80041003 (Access Denied)";
        QTest::newRow("other HRESULT") << "1:1" << 9 * GiB << QStringList{R"({"target":"wmi.method","match":"Resize","hresult":"0x80041001"})"}
                                       << false << all << "Error: ExecMethod failed, HRESULT: 0x80041001 (Error: 0x80041001)";
        QTest::newRow("return code text") << "1:1" << 9 * GiB << QStringList{R"({"target":"wmi.method","match":"Resize","returnValue":41003})"}
                                          << false << all << "Error message: The disk has insufficient free space";
        QTest::newRow("no class") << "1:1" << 9 * GiB << QStringList{R"({"target":"wmi.getObject","match":"MSFT_Partition"})"}
                                  << false << "10" << "Failed to get MSFT_Partition class, HRESULT: 0x80004005";
        QTest::newRow("FAT32 refused by the provider") << "1:2" << GiB << QStringList() << false << all << "Partition resize failed with return code: 42009";
        QTest::newRow("no such partition") << "1:9" << GiB << QStringList() << false << "" << "Partition not found: \"1:9\"";
        QTest::newRow("query fails") << "1:1" << GiB << QStringList{R"({"target":"wmi.query","match":"PartitionNumber = 1"})"} << false << ""
                                     << "Query for partition failed, HRESULT: 0x80004005";
        QTest::newRow("bad id") << "1-1" << GiB << QStringList() << false << "" << "Invalid partition ID format: \"1-1\"";
        QTest::newRow("id not numeric") << "1:a" << GiB << QStringList() << false << "" << "Failed to parse partition ID: \"1:a\"";
    }

    // The call's result, progress and trace, and the machine afterwards: only the target's size
    // changes, its volume keeps its serial and its bytes in use.
    void resize()
    {
        QFETCH(QString, id);
        QFETCH(qint64, size);
        QFETCH(QStringList, faults);
        QFETCH(bool, result);
        QFETCH(QString, progress);
        QFETCH(QString, trace);
        TestMachine tm;
        buildMachine(tm, 0.01);
        for (const QString &f : faults)
            tm.addFault(f.toUtf8().constData());
        QVERIFY(tm.write());
        sim::Machine expected = tm.read();
        WindowsStorageManager manager;
        QVERIFY(manager.initialize());
        QSignalSpy spy(&manager, &WindowsStorageManager::operationProgress);
        traces.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collect);
        const bool ok = manager.resizePartitionStorageAPI(id, size);
        qInstallMessageHandler(previous);
        QCOMPARE(ok, result);
        QCOMPARE(progressText(spy), progress);
        QVERIFY2(traces.contains(trace), qPrintable(traces.join(u'\n')));
        for (sim::Partition &p : expected.disk(1)->partitions)
            if (ok && id == QStringLiteral("1:%1").arg(p.number))
                p.size = size;
        sim::Machine after = tm.read();
        expected.faults = after.faults;
        QCOMPARE(sim::toJson(after), sim::toJson(expected));
    }
};

QTEST_GUILESS_MAIN(TestStorageResize)
#include "tst_storageresize.moc"
