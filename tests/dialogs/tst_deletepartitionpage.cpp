#include "support/messageboxanswerer.h"
#include "support/testmachine.h"

#include "dialogs/deletepartitionpage.h"
#include "storage/windowsstoragemanager.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QtMath>
#include <QtTest>

namespace {

constexpr qint64 GiB = sim::kGiB;
constexpr qint64 MiB = sim::kMiB;

QStringList layoutOf(const sim::Machine &m)
{
    QStringList out;
    for (const sim::Disk &d : m.disks)
        for (const sim::Partition &p : d.partitions) {
            const sim::Volume v = p.volume.value_or(sim::Volume());
            out << QStringLiteral("%1:%2 @%3 +%4 %5 %6 %7 %8 %9")
                       .arg(d.number).arg(p.number).arg(p.offset).arg(p.size)
                       .arg(p.type, v.letter, v.fileSystem, v.label, v.serial);
        }
    return out;
}

// Disk 0, three partitions side by side: 0:1 C: (the running system), 0:2 E:, 0:3 F:.
void buildMachine(TestMachine &tm, double timeScale, const QByteArray &fault = QByteArray())
{
    tm.addDisk(0, 100 * GiB);
    tm.addPartition(0, MiB, 30 * GiB, QStringLiteral("Primary"),
                    TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("Windows"), QStringLiteral("C")));
    tm.addPartition(0, MiB + 30 * GiB, 10 * GiB, QStringLiteral("Primary"),
                    TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("Data"), QStringLiteral("E")));
    tm.addPartition(0, MiB + 40 * GiB, 10 * GiB, QStringLiteral("Primary"),
                    TestMachine::Vol(QStringLiteral("exFAT"), QStringLiteral("Media"), QStringLiteral("F")));
    tm.setTimeScale(timeScale);
    if (!fault.isEmpty())
        tm.addFault(fault.constData());
    QVERIFY(tm.write());
}

QList<PartitionInfo> partitionsOfDisk0()
{
    WindowsStorageManager manager;
    if (!manager.initialize())
        return {};
    return manager.getPartitions(QStringLiteral("0"));
}

// The record the main window would hand over for partition `number` of disk 0.
PartitionInfo recordOf(int number)
{
    for (const PartitionInfo &p : partitionsOfDisk0())
        if (!p.isUnallocated && p.partitionNumber == number)
            return p;
    return PartitionInfo();
}

template <typename T>
T *child(QWidget &w, const char *name)
{
    return w.findChild<T *>(QLatin1String(name));
}

// Which of the ring's colours a pixel shows: 'G' the grey track, 'B' blue, 'N' green, '.' none.
char shadeAt(const QImage &image, int x, int y)
{
    const QColor c = image.pixelColor(x, y);
    if (c.alpha() < 200)
        return '.';
    auto near = [&c](int r, int g, int b) {
        return qAbs(c.red() - r) <= 12 && qAbs(c.green() - g) <= 12 && qAbs(c.blue() - b) <= 12;
    };
    if (near(240, 240, 240))
        return 'G';
    if (near(33, 150, 243))
        return 'B';
    if (near(76, 175, 80))
        return 'N';
    return '.';
}

// The ring's middle line at `degrees` clockwise from the top.
QPoint onRing(double degrees)
{
    const double a = qDegreesToRadians(degrees);
    return QPoint(qRound(60 + 40 * qSin(a)), qRound(60 - 40 * qCos(a)));
}

int countShade(const QImage &image, const QRect &area, char shade)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += shadeAt(image, x, y) == shade;
    return n;
}

} // namespace

class TestDeletePartitionPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void namesAndTexts_data();
    void namesAndTexts();
    void ringPicture_data();
    void ringPicture();
    void deletesDataPartition();
    void refusalsAndFailuresChangeNothing_data();
    void refusalsAndFailuresChangeNothing();
    void cancelWhileRunningThenLateSuccess();
    void destroyedWhileRunningLetsTheJobFinish();
};

void TestDeletePartitionPage::initTestCase()
{
    QVERIFY(QFileInfo::exists(qEnvironmentVariable("TESSALINE_BIN_DIR") + QStringLiteral("/diskpart")));
}

void TestDeletePartitionPage::namesAndTexts_data()
{
    QTest::addColumn<QStringList>("driveLetters");
    QTest::addColumn<QString>("driveLetter");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("letterValue");

    QTest::newRow("no letter") << QStringList() << "" << "0:2" << "";
    QTest::newRow("letter list") << QStringList{"E:"} << "E" << "0:2 (E:)" << "E:";
    QTest::newRow("single letter only") << QStringList() << "Fx" << "0:2 (F:)" << "Fx";
}

void TestDeletePartitionPage::namesAndTexts()
{
    QFETCH(QStringList, driveLetters);
    QFETCH(QString, driveLetter);
    QFETCH(QString, name);
    QFETCH(QString, letterValue);

    PartitionInfo p;
    p.id = QStringLiteral("0:2");
    p.diskIndex = 0;
    p.partitionNumber = 2;
    p.driveLetters = driveLetters;
    p.driveLetter = driveLetter;
    p.fileSystem = QStringLiteral("NTFS");
    p.sizeStr = QStringLiteral("10.00 GB");
    DeletePartitionPage dialog(p);

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Delete Patition"));
    QCOMPARE(child<QLabel>(dialog, "headerLabel")->text(), QStringLiteral("Deleting a Partition: ") + name);
    QCOMPARE(child<QLabel>(dialog, "subLabel")->text(), QStringLiteral("Deleting partition: ") + name);
    QCOMPARE(child<QLabel>(dialog, "statusLabel")->text(), QStringLiteral("You're deleting a partition..."));
    QCOMPARE(child<QLabel>(dialog, "driveLetterValue")->text(), letterValue);
    QCOMPARE(child<QLabel>(dialog, "partitionSizeValue")->text(), QStringLiteral("10.00 GB"));
    QVERIFY(child<QProgressBar>(dialog, "progressBar")->isHidden());
    QVERIFY(child<QLabel>(dialog, "percentageLabel")->isHidden());
    QCOMPARE(child<QPushButton>(dialog, "confirmButton")->text(), QStringLiteral("Confirm"));
    QVERIFY(child<QPushButton>(dialog, "confirmButton")->isEnabled());
}

void TestDeletePartitionPage::ringPicture_data()
{
    QTest::addColumn<int>("percentage");
    QTest::addColumn<QByteArray>("ring"); // at 10°, 90°, 180° and 270° clockwise from the top
    QTest::addColumn<char>("text");

    QTest::newRow("0: only the track") << 0 << QByteArray("GGGG") << 'B';
    QTest::newRow("29: blue arc") << 29 << QByteArray("BBGG") << 'B';
    QTest::newRow("30: green arc") << 30 << QByteArray("NNGG") << 'N';
    QTest::newRow("100: full circle") << 100 << QByteArray("NNNN") << 'N';
}

void TestDeletePartitionPage::ringPicture()
{
    QFETCH(int, percentage);
    QFETCH(QByteArray, ring);
    QFETCH(char, text);

    PartitionInfo p;
    p.id = QStringLiteral("0:2");
    DeletePartitionPage dialog(p);
    dialog.onDeletePartitionProgress(QStringLiteral("step"), percentage);
    QCOMPARE(child<QLabel>(dialog, "statusLabel")->text(), QStringLiteral("step"));

    const QImage image = child<QLabel>(dialog, "ringLabel")->pixmap().toImage();
    QCOMPARE(image.size(), QSize(120, 120));
    QByteArray seen;
    for (double degrees : {10.0, 90.0, 180.0, 270.0}) {
        const QPoint at = onRing(degrees);
        seen += shadeAt(image, at.x(), at.y());
    }
    QCOMPARE(seen, ring);
    QCOMPARE(shadeAt(image, 0, 0), '.'); // transparent outside the ring

    // The percentage in the middle, in the arc's colour and no other.
    const QRect middle(35, 45, 51, 31);
    const char other = text == 'B' ? 'N' : 'B';
    QVERIFY(countShade(image, middle, text) >= 5);
    QCOMPARE(countShade(image, middle, other), 0);
}

void TestDeletePartitionPage::deletesDataPartition()
{
    TestMachine tm;
    buildMachine(tm, 0.1);
    const QStringList before = layoutOf(tm.read());
    const PartitionInfo record = recordOf(2);
    QCOMPARE(record.id, QStringLiteral("0:2"));

    MessageBoxAnswerer boxes;
    boxes.enqueue(QMessageBox::Yes);
    DeletePartitionPage dialog(record);
    dialog.show();
    QTest::mouseClick(child<QPushButton>(dialog, "confirmButton"), Qt::LeftButton);
    QVERIFY(boxes.waitFor(2, 15000));
    QTRY_COMPARE(dialog.result(), int(QDialog::Accepted));

    QCOMPARE(boxes.titles(), (QStringList{"Final Confirmation", "Deleted successfully"}));
    QVERIFY(boxes.at(0).text.contains(QStringLiteral("You are about to delete the partition: 0:2\n")));
    QCOMPARE(boxes.at(0).defaultButton, QMessageBox::No);
    QCOMPARE(boxes.at(1).text, QStringLiteral("Partition 0:2 (E:) Deleted successfully!\n\nClick 'OK' to close the window."));
    QCOMPARE(child<QLabel>(dialog, "statusLabel")->text(), QStringLiteral("Delete completed"));
    QVERIFY(!dialog.isVisible());

    // Only 0:2 is gone; C: and F: keep geometry, letters and serials.
    QStringList expected = before;
    expected.removeAt(1);
    QCOMPARE(layoutOf(tm.read()), expected);

    // Read afresh, its region is unallocated space between the neighbours.
    const QList<PartitionInfo> after = partitionsOfDisk0();
    int c = -1;
    for (int i = 0; i < after.size(); ++i)
        if (!after.at(i).isUnallocated && after.at(i).partitionNumber == 1)
            c = i;
    QVERIFY(c >= 0 && c + 2 < after.size());
    QVERIFY(after.at(c + 1).isUnallocated);
    QCOMPARE(after.at(c + 1).offset, record.offset);
    QCOMPARE(after.at(c + 1).sizeBytes, record.sizeBytes);
    QCOMPARE(after.at(c + 2).partitionNumber, 3);
    QCOMPARE(after.at(c + 2).driveLetter, QStringLiteral("F"));
}

void TestDeletePartitionPage::refusalsAndFailuresChangeNothing_data()
{
    QTest::addColumn<int>("partition");
    QTest::addColumn<QString>("id");       // replaces the record's id when not null
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<QMessageBox::StandardButton>("confirm");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("lastText"); // what the last box starts with
    QTest::addColumn<QString>("status");

    const QString untouched = QStringLiteral("You're deleting a partition...");
    // The stand-in refuses as Windows does; the dialog reports the tool's answer.
    QTest::newRow("the running system")
        << 1 << QString() << QByteArray() << QMessageBox::Yes
        << QStringList{"Final Confirmation", "Delete failed"}
        << "Partition 0:1 Delete failed:\nDeletion failed:\n" << "Delete failed";
    QTest::newRow("Error printed, exit code 0")
        << 2 << QString() << QByteArray(R"({"target":"tool.diskpart","exitCode":0,"output":"Error"})")
        << QMessageBox::Yes << QStringList{"Final Confirmation", "Delete failed"}
        << "Partition 0:2 Delete failed:\nError occurred during deletion:\nError" << "Delete failed";
    QTest::newRow("hangs past the limit")
        << 2 << QString() << QByteArray(R"({"target":"tool.diskpart","hangMs":20000})") << QMessageBox::Yes
        << QStringList{"Final Confirmation", "Delete failed"} << "Partition 0:2 Delete failed:\nDeletion failed:\n"
        << "Delete failed";
    QTest::newRow("declined") << 2 << QString() << QByteArray() << QMessageBox::No
                              << QStringList{"Final Confirmation"} << "⚠️ Final Confirmation ⚠️" << untouched;
    // Ids that are not two numbers must not fall back to another disk or partition.
    for (const char *bad : {"a:b", "0:2:1", "", "0:0"})
        QTest::addRow("id \"%s\"", bad) << 2 << QString::fromLatin1(bad) << QByteArray() << QMessageBox::Yes
                                        << QStringList{"Invalid partition"}
                                        << "Cannot delete this partition: its ID \"" + QString::fromLatin1(bad) + "\""
                                        << untouched;
}

void TestDeletePartitionPage::refusalsAndFailuresChangeNothing()
{
    QFETCH(int, partition);
    QFETCH(QString, id);
    QFETCH(QByteArray, fault);
    QFETCH(QMessageBox::StandardButton, confirm);
    QFETCH(QStringList, titles);
    QFETCH(QString, lastText);
    QFETCH(QString, status);

    TestMachine tm;
    buildMachine(tm, 0.05, fault);
    const QStringList before = layoutOf(tm.read());
    PartitionInfo record = recordOf(partition);
    QCOMPARE(record.partitionNumber, partition);
    if (!id.isNull())
        record.id = id;

    MessageBoxAnswerer boxes;
    boxes.enqueue(confirm);
    DeletePartitionPage dialog(record);
    dialog.show();
    QTest::mouseClick(child<QPushButton>(dialog, "confirmButton"), Qt::LeftButton);
    QVERIFY(boxes.waitFor(titles.size(), 15000));
    QTRY_VERIFY(!dialog.isRunning());

    QCOMPARE(boxes.titles(), titles);
    QVERIFY2(boxes.boxes().constLast().text.startsWith(lastText), qPrintable(boxes.boxes().constLast().text));
    QCOMPARE(child<QLabel>(dialog, "statusLabel")->text(), status);
    // Still open and usable.
    QVERIFY(dialog.isVisible());
    QVERIFY(child<QPushButton>(dialog, "confirmButton")->isEnabled());
    QCOMPARE(layoutOf(tm.read()), before);
}

void TestDeletePartitionPage::cancelWhileRunningThenLateSuccess()
{
    TestMachine tm;
    // The first run takes a while (well inside the scaled limit), so it can be cancelled.
    buildMachine(tm, 0.2, R"({"target":"tool.diskpart","hangMs":1500,"times":1})");
    const QStringList before = layoutOf(tm.read());

    MessageBoxAnswerer boxes;
    boxes.enqueue(QMessageBox::Yes); // final confirmation
    DeletePartitionPage dialog(recordOf(2));
    dialog.show();
    auto *confirm = child<QPushButton>(dialog, "confirmButton");
    auto *cancel = child<QPushButton>(dialog, "cancelButton");
    auto *statusLabel = child<QLabel>(dialog, "statusLabel");
    QTest::mouseClick(confirm, Qt::LeftButton);
    QVERIFY(dialog.isRunning());
    QVERIFY(!confirm->isEnabled());
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    QTRY_COMPARE(statusLabel->text(), QStringLiteral("Deleting partition...."));

    boxes.enqueue(QMessageBox::Yes); // "Cancel operation"
    QTest::mouseClick(cancel, Qt::LeftButton);
    QCOMPARE(boxes.at(1).title, QStringLiteral("Cancel operation"));
    QVERIFY(!dialog.isRunning());
    QCOMPARE(statusLabel->text(), QStringLiteral("Ready"));
    QCOMPARE(cancel->text(), QStringLiteral("Close"));
    QVERIFY(confirm->isEnabled());
    QVERIFY(child<QProgressBar>(dialog, "progressBar")->isHidden());

    // Asking again while the worker is still busy is refused by the worker.
    boxes.enqueue(QMessageBox::Yes);
    QTest::mouseClick(confirm, Qt::LeftButton);
    QCOMPARE(boxes.titles(), (QStringList{"Final Confirmation", "Cancel operation", "Final Confirmation", "Delete failed"}));
    QCOMPARE(boxes.at(3).text, QStringLiteral("Partition 0:2 Delete failed:\nAnother delete operation is in progress"));
    QCOMPARE(layoutOf(tm.read()), before);

    // The first job's late success is still shown, and accepts the dialog.
    QVERIFY(boxes.waitFor(5, 15000));
    QCOMPARE(boxes.at(4).title, QStringLiteral("Deleted successfully"));
    QTRY_COMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(statusLabel->text(), QStringLiteral("Delete completed"));
    QCOMPARE(tm.read().disks.at(0).partitions.size(), 2);
}

void TestDeletePartitionPage::destroyedWhileRunningLetsTheJobFinish()
{
    TestMachine tm;
    // The destructor waits 300 ms (scaled) for the thread; the tool takes longer.
    buildMachine(tm, 0.1, R"({"target":"tool.diskpart","hangMs":1500})");

    MessageBoxAnswerer boxes;
    boxes.enqueue(QMessageBox::Yes);
    auto *dialog = new DeletePartitionPage(recordOf(2));
    dialog->show();
    QTest::mouseClick(child<QPushButton>(*dialog, "confirmButton"), Qt::LeftButton);
    QTRY_COMPARE(child<QLabel>(*dialog, "statusLabel")->text(), QStringLiteral("Deleting partition...."));
    QPointer<QThread> thread = dialog->findChild<QThread *>();
    QVERIFY(thread);

    QElapsedTimer clock;
    clock.start();
    delete dialog;
    QVERIFY(clock.elapsed() < 1200);
    QVERIFY(thread); // not killed: it goes away by itself once the job is over

    QTRY_VERIFY_WITH_TIMEOUT(thread.isNull(), 15000);
    QCOMPARE(tm.read().disks.at(0).partitions.size(), 2);
    QCOMPARE(boxes.count(), 1); // no result box for a dialog that is gone
}

QTEST_MAIN(TestDeletePartitionPage)
#include "tst_deletepartitionpage.moc"
