#include "support/testmachine.h"
#include "support/workerrig.h"

#include "storage/windowsstoragemanager.h"
#include "worker/diskoperationworker.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr qint64 MiB = sim::kMiB;
constexpr qint64 GiB = sim::kGiB;

constexpr qint64 Size = 1000 * MiB;

QStringList traces; // of calls made on the test's thread

// Disk 0: EFI and C:. Disk 1, MBR: E: NTFS 10 GiB (active), 5 GiB free, F: FAT32 4 GiB, R: 1 GiB RAW,
// free space. Disk 2: G: NTFS 1000 MiB, look-alike of 2:2 (1000 MiB NTFS, no letter), free space.
void buildMachine(TestMachine &tm, const QString &fault)
{
    if (!fault.isEmpty())
        tm.addFault(fault.toUtf8().constData());
    tm.setTimeScale(0.01);
    tm.addDisk(0, 100 * GiB);
    tm.addPartition(0, MiB, 100 * MiB, "EFI", TestMachine::Vol("FAT32", "", "", 0, 512));
    tm.addPartition(0, 101 * MiB, 50 * GiB, "Primary", TestMachine::Vol("NTFS", "Windows", "C", 20 * GiB));
    tm.addDisk(1, 100 * GiB, "MBR");
    tm.addPartition(1, MiB, 10 * GiB, "Primary", TestMachine::Vol("NTFS", "Data", "E", GiB));
    tm.partition(1, 1).active = true;
    tm.addPartition(1, 15 * GiB, 4 * GiB, "Primary", TestMachine::Vol("FAT32", "MEDIA", "F", GiB));
    tm.addPartition(1, 19 * GiB, GiB, "Primary", TestMachine::Vol("", "", "R"));
    tm.addDisk(2, 100 * GiB);
    tm.addPartition(2, MiB, Size, "Primary", TestMachine::Vol("NTFS", "Trap", "G"));
    tm.addPartition(2, Size + MiB, Size, "Primary", TestMachine::Vol("NTFS", "Bare", ""));
    tm.addDisk(3, 20 * GiB, "MBR"); // P:, then W: FAT32 in an extended partition of 4 GiB
    tm.addPartition(3, MiB, GiB, "Primary", TestMachine::Vol("NTFS", "", "P"));
    tm.addPartition(3, GiB + MiB, 4 * GiB, "Extended");
    tm.addPartition(3, GiB + 2 * MiB, GiB, "Logical", TestMachine::Vol("FAT32", "LOG", "W"));
    QVERIFY(tm.write());
}

// Every partition by id as "offset+size fs label letter active", and its serial apart.
QMap<QString, QString> render(const sim::Machine &m, QMap<QString, QString> *serials)
{
    QMap<QString, QString> out;
    for (const sim::Disk &d : m.disks)
        for (const sim::Partition &p : d.partitions) {
            const sim::Volume v = p.volume.value_or(sim::Volume());
            const QString id = QStringLiteral("%1:%2").arg(d.number).arg(p.number);
            out[id] = QStringLiteral("%1+%2 %3 %4 %5 %6").arg(p.offset).arg(p.size).arg(v.fileSystem, v.label, v.letter).arg(p.active);
            (*serials)[id] = v.serial;
        }
    return out;
}

} // namespace

class TestResizeJob : public QObject
{
    Q_OBJECT

private slots:
    void resize_data()
    {
        // progress "all": 10 to 100; trace: the decisive one, after "ok:" when the call succeeds.
        for (const char *column : {"id", "size", "fault", "progress", "trace"})
            QTest::addColumn<QString>(column);
        auto row = [](const char *name, const char *id, qint64 size, const char *progress, const char *trace, const char *fault = "") {
            QTest::newRow(name) << id << QString::number(size) << (*fault ? QStringLiteral("{\"target\":\"wmi.%1").arg(fault) : QString())
                                << progress << trace;
        };
        row("already that size", "1:1", 10 * GiB, "", "ok:Partition is already the target size");
        row("a byte under 1 MiB", "1:1", MiB - 1, "", "Target size too small: 1048575");
        row("1 MiB goes to the provider", "1:1", MiB, "all", "Partition resize failed with return code: 4097");
        row("shrink", "1:1", 8 * GiB, "all", "ok:Successfully set Size parameter as VT_UI8");
        row("grow into the free space", "2:2", 80 * GiB, "all", "ok:Resize method returned: 0");
        row("64-bit forms refused: text", "1:1", 9 * GiB, "all", "ok:Successfully set Size parameter as VT_BSTR",
            "put\",\"match\":\"Resize.Size[vt=2\"}");
        row("access denied", "1:1", 9 * GiB, "all", "Error: ExecMethod failed, HRESULT: 0x80041003 (Access Denied)",
            "method\",\"match\":\"Resize\",\"hresult\":\"0x80041003\"}");
        row("other HRESULT", "1:1", 9 * GiB, "all", "Error: ExecMethod failed, HRESULT: 0x80041001 (Error: 0x80041001)",
            "method\",\"match\":\"Resize\",\"hresult\":\"0x80041001\"}");
        row("return code text", "1:1", 9 * GiB, "all", "Error message: The disk is offline",
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
        QFETCH(QString, size);
        QFETCH(QString, fault);
        QFETCH(QString, progress);
        QFETCH(QString, trace);
        TestMachine tm;
        buildMachine(tm, fault);
        sim::Machine expected = tm.read();
        QVERIFY(!WindowsStorageManager().resizePartitionStorageAPI(id, size.toLongLong())); // no connection
        WindowsStorageManager manager;
        QVERIFY(manager.initialize());
        QSignalSpy spy(&manager, &WindowsStorageManager::operationProgress);
        traces.clear();
        const QtMessageHandler previous
            = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &m) { traces << m; });
        const bool ok = manager.resizePartitionStorageAPI(id, size.toLongLong());
        qInstallMessageHandler(previous);
        QStringList reported;
        for (const QList<QVariant> &args : spy)
            reported << args.at(0).toString();
        QCOMPARE(reported.join(u','), progress == QLatin1String("all") ? QStringLiteral("10,20,30,40,50,60,80,100") : progress);
        QCOMPARE(ok, trace.startsWith(QLatin1String("ok:")));
        QVERIFY2(traces.contains(trace.mid(ok ? 3 : 0)), qPrintable(traces.join(u'\n')));
        // The cause the job shows: each check's own, never that of an earlier one.
        const QMap<QString, QString> causes{{"a byte under 1 MiB", "the new size is below 1 MB"},
                                            {"no class", "the storage service could not prepare the resize"},
                                            {"no such partition", "it is no longer there"}, {"bad id", "1-1 is no partition"}};
        QCOMPARE(manager.lastFailure(), causes.value(QTest::currentDataTag(), manager.lastFailure()));
        for (sim::Disk &d : expected.disks)
            for (sim::Partition &p : d.partitions)
                if (ok && id == QStringLiteral("%1:%2").arg(d.number).arg(p.number))
                    p.size = size.toLongLong();
        sim::Machine after = tm.read();
        expected.faults = after.faults;
        QCOMPARE(sim::toJson(after), sim::toJson(expected));
    }

    void job_data()
    {
        // call: "resize id size" or "ntfs target". result: a trailing "*" compares the start only. changed: "id offset+size fs label letter active serial(same|new)".
        for (const char *column : {"call", "fault", "progress", "result", "changed"})
            QTest::addColumn<QString>(column);
        const QString ok = QStringLiteral("ok Partition resized successfully"), formatted = QStringLiteral("ok diskpart格式化成功完成");
        const QString fat32 = QStringLiteral("5,15,25,20,40,60,80,45,55,65,60,90,100"), refused = QStringLiteral("failed Failed to resize partition: ");
        auto row = [](const char *name, const char *call, const QString &progress, const QString &result, const char *changed = "",
                      const char *fault = "") { QTest::newRow(name) << call << fault << progress << result << changed; };
        row("NTFS grows", "resize 1:1 12884901888", "5,25,65,60,90,100", ok, "1:1 1048576+12884901888 NTFS Data E 1 same");
        row("grows into the free space that ends the disk", "resize 2:2 85899345920", "5,25,65,60,90,100", ok,
            "2:2 1049624576+85899345920 NTFS Bare  0 same");
        // The listed free space runs to the disk's end; the provider stops before GPT's backup table.
        row("to the disk's very end: the provider's limit", "resize 2:2 106324918272", "5", refused + "The new size is larger "
            "than the partition and the unallocated space after it (at most 106323509248 bytes)");
        const QString converted = ok + " It was reformatted from FAT32 to NTFS first; the files it held were erased, its label ";
        row("FAT32 converted, then shrunk", "resize 1:2 3221225472", fat32, converted + "\u201CMEDIA\u201D was kept.",
            "1:2 16106127360+3221225472 NTFS MEDIA F 0 new");
        // A refusal by the provider is named; after a conversion the message says the files are gone.
        row("the provider refuses after the conversion", "resize 1:2 3221225472", "5,15,25,20,40,60,80,45,55,65,60,90",
            refused + "Access Denied (code 40001)\nIt had been reformatted from FAT32 to NTFS first, so the files it held are "
                      "gone; it keeps its old size.", "1:2 16106127360+4294967296 NTFS MEDIA F 0 new",
            "{\"target\":\"wmi.method\",\"match\":\"Resize\",\"returnValue\":40001}");
        row("undetectable file system", "resize 1:3 5368709120", "5,10,65,60,90,100", ok, "1:3 20401094656+5368709120   R 0 same");
        row("conversion leaves FAT32", "resize 1:2 3221225472", "5,15,25,20,40,60,80,45", "failed Failed to convert FAT32 to NTFS", "",
            "{\"target\":\"tool.diskpart\",\"match\":\"format fs=ntfs\",\"exitCode\":0}");
        row("below the bytes in use: refused before anything", "resize 1:1 536870912", "5", refused + "The new size is "
            "smaller than the files and the file system on the partition need (at least 1181116416 bytes)");
        row("size 0", "resize 1:1 0", "5", refused + "The new size must be at least 1 MB");
        row("no storage service: nothing changes", "resize 1:1 8589934592", "5", refused + "Storage manager is not initialized", "",
            "{\"target\":\"wmi.connect\"}");
        row("nothing there", "resize 1:9 1073741824", "5", refused + "Partition 1:9 was not found");
        row("beyond the free space: no conversion", "resize 1:2 5368709120", "5",
            refused + "The new size is larger than the partition and the unallocated space after it (at most 4294967296 bytes)");
        row("the running system", "resize 0:2 42949672960", "5", refused + "*");
        row("FAT32 logical drive past its extended partition: no conversion", "resize 3:3 42949672960", "5",
            refused + "The new size is larger than the partition and the unallocated space after it (at most 4293918720 bytes)");
        row("FAT32 logical drive grows inside its extended partition", "resize 3:3 2147483648", fat32,
            converted + "\u201CLOG\u201D was kept.", "3:3 1075838976+2147483648 NTFS LOG W 0 new");
        row("already NTFS", "ntfs 1:1", "5,100", "ok Already NTFS, no conversion needed");
        row("by id", "ntfs 1:2", "5,10,20,40,60,80,90,100", formatted, "1:2 16106127360+4294967296 NTFS MEDIA F 0 new");
        row("by letter, always", "ntfs E:", "5,10,90,100", formatted, "1:1 1048576+10737418240 NTFS Data E 1 new");
        row("script fails", "ntfs 1:2", "5,10,20,40,60,80", "failed diskpart格式化命令执行失败", "", "{\"target\":\"tool.diskpart\",\"exitCode\":5}");
        row("id not numeric", "ntfs 1:x", "5,10", "failed Invalid parameter: neither drive letter nor partition ID");
    }

    // The job end to end on the machine, started as the dialogs start it; afterwards only the
    // target may have changed, and the active flag has stayed where it was.
    void job()
    {
        QFETCH(QString, call);
        QFETCH(QString, fault);
        QFETCH(QString, result);
        QFETCH(QString, changed);
        TestMachine tm;
        buildMachine(tm, fault);
        QMap<QString, QString> serials, serialsAfter;
        QMap<QString, QString> expected = render(tm.read(), &serials);

        WorkerRig rig(this);
        const QStringList args = call.split(u' ');
        const bool invoked = args.size() == 3
            ? QMetaObject::invokeMethod(rig.worker, "resizePartitionCompleteAsync", Qt::QueuedConnection,
                                        Q_ARG(QString, args.at(1)), Q_ARG(qint64, args.at(2).toLongLong()))
            : QMetaObject::invokeMethod(rig.worker, "formatPartitionToNTFSAsync", Qt::QueuedConnection, Q_ARG(QString, args.at(1)));
        QVERIFY(invoked && QTest::qWaitFor([&] { return !rig.result.isEmpty(); }, 20000));
        QTest::qWait(20); // a second end would have arrived by now
        QTEST(rig.progressText(), "progress");
        const QString &end = rig.result;
        const QString report = rig.reports.value(rig.reports.size() - 1);
        QVERIFY2(result.endsWith(u'*') ? end.startsWith(result.chopped(1)) : end == result, qPrintable(end));
        if (QByteArray(QTest::currentDataTag()) == "FAT32 converted, then shrunk")
            QCOMPARE(report, "resize 1:2 to 3221225472 bytes: succeeded\n  [done] check the plan\n  [done] find the file "
                             "system: FAT32\n  [done] convert FAT32 to NTFS (changes the disk)\n  [done] resize (changes the disk)");

        const QMap<QString, QString> after = render(tm.read(), &serialsAfter);
        if (!changed.isEmpty()) {
            const QString id = changed.section(u' ', 0, 0);
            expected[id] = changed.section(u' ', 1, -2);
            QCOMPARE(serialsAfter.value(id) == serials.value(id), changed.endsWith(QLatin1String("same")));
            serials[id] = serialsAfter.value(id);
        }
        QCOMPARE(serialsAfter, serials);
        QCOMPARE(after, expected);
    }
};

QTEST_GUILESS_MAIN(TestResizeJob)
#include "tst_resizejob.moc"
