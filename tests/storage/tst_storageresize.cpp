#include "support/testmachine.h"

#include "storage/windowsstoragemanager.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr qint64 MiB = sim::kMiB;
constexpr qint64 GiB = sim::kGiB;
constexpr qint64 Size = 1000 * MiB;

QStringList traces; // the calls run on the test's thread

void collect(QtMsgType, const QMessageLogContext &, const QString &message) { traces << message; }

// Disk 1: E: NTFS 10 GiB (1 GiB used), F: FAT32 2 GiB, G: NTFS of 1000 MiB (a trap for the size
// match), 1:4 a 1000 MiB NTFS volume without a letter, free space after. Other drives as
// "letter type bytes fs" (bytes in 1/100 of 1000 MiB).
void buildMachine(TestMachine &tm, double scale, const QString &drives = QString())
{
    tm.setTimeScale(scale);
    tm.addDisk(1, 100 * GiB);
    tm.addPartition(1, MiB, 10 * GiB, "Primary", TestMachine::Vol("NTFS", "Data", "E", GiB));
    tm.addPartition(1, 10 * GiB + MiB, 2 * GiB, "Primary", TestMachine::Vol("FAT32", "MEDIA", "F"));
    tm.addPartition(1, 12 * GiB + MiB, Size, "Primary", TestMachine::Vol("NTFS", "Trap", "G"));
    tm.addPartition(1, 13 * GiB + MiB, Size, "Primary", TestMachine::Vol("NTFS", "Bare", ""));
    for (const QString &d : drives.split(u',', Qt::SkipEmptyParts)) {
        const QStringList f = d.split(u' ');
        tm.addOtherDrive(f.at(0), f.at(1).toInt(), f.at(3), QString(), qint64(f.at(2).toDouble() * Size / 100));
    }
    QVERIFY(tm.write());
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
        QTest::addColumn<QString>("drives");
        QTest::addColumn<QString>("expected");
        QTest::newRow("volume map") << "1:1" << "K 3 100 exFAT" << "NTFS";
        QTest::newRow("FAT32 in the map") << "1:2" << "" << "FAT32";
        // G: would match but is another partition's; a CD never counts; L: is a byte short of 95 %.
        QTest::newRow("95 %, lowest letter") << "1:4" << "K 5 100 UDF,L 3 94.9999999 FAT,M 3 95 exFAT,N 3 100 ReFS" << "exFAT";
        QTest::newRow("105 %, removable") << "1:4" << "L 3 105.0000001 FAT,N 2 105 ReFS" << "ReFS";
        QTest::newRow("a RAM disk") << "1:4" << "L 6 100 NTFS" << "";
        QTest::newRow("no such partition") << "1:9" << "" << "";
        QTest::newRow("one part") << "1" << "" << "";
        QTest::newRow("three parts") << "1:4:1" << "M 3 100 exFAT" << "";
        QTest::newRow("not numeric") << "1:x" << "M 3 100 exFAT" << "";
    }

    void detection()
    {
        QFETCH(QString, id);
        QFETCH(QString, drives);
        QFETCH(QString, expected);
        TestMachine tm;
        buildMachine(tm, 0.2, drives);
        WindowsStorageManager manager;
        QVERIFY(manager.initialize());
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(manager.getPartitionFileSystemById(id), expected);
        // Found nowhere: asked again after the (scaled) second's pause.
        QVERIFY(!expected.isEmpty() || timer.elapsed() >= 200);
    }

    void resize_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("progress"); // "all": 10 to 100
        QTest::addColumn<QString>("trace");    // the decisive trace; "ok:" when the call succeeds
        auto row = [](const char *name, const char *id, qint64 size, const char *progress, const char *trace, const char *fault = "") {
            QTest::newRow(name) << id << size << (*fault ? QStringLiteral("{\"target\":\"wmi.%1").arg(fault) : QString()) << progress << trace;
        };
        row("already that size", "1:1", 10 * GiB, "", "ok:Partition is already the target size");
        row("a byte under 1 MiB", "1:1", MiB - 1, "", "Target size too small: 1048575");
        row("1 MiB goes to the provider", "1:1", MiB, "all", "Partition resize failed with return code: 4097");
        row("shrink", "1:1", 8 * GiB, "all", "ok:Successfully set Size parameter as VT_UI8");
        row("grow into the free space", "1:4", 80 * GiB, "all", "ok:Resize method returned: 0");
        row("64-bit forms refused: text", "1:1", 9 * GiB, "all", "ok:Successfully set Size parameter as VT_BSTR",
            "put\",\"match\":\"Resize.Size[vt=2\"}");
        row("access denied", "1:1", 9 * GiB, "all", "Error: ExecMethod failed, HRESULT: 0x80041003 (Access Denied)",
            "method\",\"match\":\"Resize\",\"hresult\":\"0x80041003\"}");
        row("other HRESULT", "1:1", 9 * GiB, "all", "Error: ExecMethod failed, HRESULT: 0x80041001 (Error: 0x80041001)",
            "method\",\"match\":\"Resize\",\"hresult\":\"0x80041001\"}");
        row("return code text", "1:1", 9 * GiB, "all", "Error message: The disk has insufficient free space",
            "method\",\"match\":\"Resize\",\"returnValue\":41003}");
        row("no class", "1:1", 9 * GiB, "10", "Failed to get MSFT_Partition class, HRESULT: 0x80004005", "getObject\",\"match\":\"MSFT_Partition\"}");
        row("FAT32 refused by the provider", "1:2", GiB, "all", "Partition resize failed with return code: 42009");
        row("no such partition", "1:9", GiB, "", "Partition not found: \"1:9\"");
        row("query fails", "1:1", GiB, "", "Query for partition failed, HRESULT: 0x80004005", "query\",\"match\":\"PartitionNumber = 1\"}");
        row("bad id", "1-1", GiB, "", "Invalid partition ID format: \"1-1\"");
        row("id not numeric", "1:a", GiB, "", "Failed to parse partition ID: \"1:a\"");
    }

    // The call's result, progress and trace, and the machine afterwards: only the target's size
    // changes, its volume keeps its serial and its bytes in use.
    void resize()
    {
        QFETCH(QString, id);
        QFETCH(qint64, size);
        QFETCH(QString, fault);
        QFETCH(QString, progress);
        QFETCH(QString, trace);
        TestMachine tm;
        if (!fault.isEmpty())
            tm.addFault(fault.toUtf8().constData());
        buildMachine(tm, 0.01);
        sim::Machine expected = tm.read();
        WindowsStorageManager manager;
        QVERIFY(manager.initialize());
        QSignalSpy spy(&manager, &WindowsStorageManager::operationProgress);
        traces.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collect);
        const bool ok = manager.resizePartitionStorageAPI(id, size);
        qInstallMessageHandler(previous);
        QStringList reported;
        for (const QList<QVariant> &args : spy)
            reported << args.at(0).toString();
        QCOMPARE(reported.join(u','), progress == QLatin1String("all") ? QStringLiteral("10,20,30,40,50,60,80,100") : progress);
        QCOMPARE(ok, trace.startsWith(QLatin1String("ok:")));
        QVERIFY2(traces.contains(trace.mid(ok ? 3 : 0)), qPrintable(traces.join(u'\n')));
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
