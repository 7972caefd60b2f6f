#include "deletetesting.h"
#include "support/messageboxanswerer.h"

#include "dialogs/deletepartitionpage.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QtMath>

namespace {

// The ring's colour at a pixel: 'G' the grey track, 'B' blue, 'N' green, '.' anything else.
char shadeAt(const QImage &image, int x, int y)
{
    const QColor c = image.pixelColor(x, y);
    auto near = [&c](int r, int g, int b) {
        return c.alpha() > 200 && qAbs(c.red() - r) <= 12 && qAbs(c.green() - g) <= 12 && qAbs(c.blue() - b) <= 12;
    };
    return near(240, 240, 240) ? 'G' : near(33, 150, 243) ? 'B' : near(76, 175, 80) ? 'N' : '.';
}

// Clicks Confirm on a dialog for `record`; the final confirmation gets `answer`.
void confirm(DeletePartitionPage &dialog, MessageBoxAnswerer &boxes, QMessageBox::StandardButton answer = QMessageBox::Yes)
{
    boxes.enqueue(answer);
    QTest::mouseClick(child<QPushButton>(dialog, "confirmButton"), Qt::LeftButton);
}

} // namespace

class TestDeletePartitionPage : public QObject
{
    Q_OBJECT

private slots:
    void ringPicture_data();
    void ringPicture();
    void deletesDataPartition();
    void refusalsAndFailuresChangeNothing_data();
    void refusalsAndFailuresChangeNothing();
    void cancelWhileRunningThenLateSuccess();
    void destroyedWhileRunningLetsTheJobFinish();
};

void TestDeletePartitionPage::ringPicture_data()
{
    QTest::addColumn<int>("percentage");
    QTest::addColumn<QByteArray>("ring"); // at 10°, 90°, 180° and 270° clockwise from the top
    QTest::addColumn<char>("text");

    QTest::newRow("0: the track only") << 0 << QByteArray("GGGG") << 'B';
    QTest::newRow("29: blue") << 29 << QByteArray("BBGG") << 'B';
    QTest::newRow("30: green") << 30 << QByteArray("NNGG") << 'N';
    QTest::newRow("100: full") << 100 << QByteArray("NNNN") << 'N';
}

void TestDeletePartitionPage::ringPicture()
{
    QFETCH(int, percentage);
    QFETCH(QByteArray, ring);
    QFETCH(char, text);

    DeletePartitionPage dialog{PartitionInfo()};
    dialog.onDeletePartitionProgress(QStringLiteral("step"), percentage);
    const QImage image = child<QLabel>(dialog, "ringLabel")->pixmap().toImage();
    QCOMPARE(image.size(), QSize(120, 120));
    QByteArray seen;
    for (double degrees : {10.0, 90.0, 180.0, 270.0}) {
        const double a = qDegreesToRadians(degrees);
        seen += shadeAt(image, qRound(60 + 40 * qSin(a)), qRound(60 - 40 * qCos(a)));
    }
    QCOMPARE(seen, ring);

    // The percentage in the middle, in the arc's colour and no other.
    QByteArray middle;
    for (int y = 45; y < 76; ++y)
        for (int x = 35; x < 86; ++x)
            middle += shadeAt(image, x, y);
    QVERIFY(middle.count(text) >= 5);
    QCOMPARE(middle.count(text == 'B' ? 'N' : 'B'), 0);
}

void TestDeletePartitionPage::deletesDataPartition()
{
    TestMachine tm;
    buildDeleteMachine(tm, 0.1);
    const QStringList before = layoutOf(tm.read());
    const PartitionInfo record = recordOf(2);

    MessageBoxAnswerer boxes;
    DeletePartitionPage dialog(record);
    dialog.show();
    QCOMPARE(child<QLabel>(dialog, "headerLabel")->text(), QStringLiteral("Deleting a Partition: 0:2 (E:)"));
    confirm(dialog, boxes);
    QVERIFY(boxes.waitFor(2, 15000));
    QTRY_COMPARE(dialog.result(), int(QDialog::Accepted));

    QCOMPARE(boxes.titles(), (QStringList{"Final Confirmation", "Deleted successfully"}));
    QVERIFY(boxes.at(0).text.contains(QStringLiteral("You are about to delete the partition: 0:2\n")));
    QCOMPARE(boxes.at(0).defaultButton, QMessageBox::No);
    QCOMPARE(boxes.at(1).text, QStringLiteral("Partition 0:2 (E:) Deleted successfully!\n\nClick 'OK' to close the window."));
    QCOMPARE(child<QLabel>(dialog, "statusLabel")->text(), QStringLiteral("Delete completed"));

    // Only 0:2 is gone: C: and F: keep geometry, letters and serials; read afresh, its region is
    // unallocated space between them.
    QStringList expected = before;
    expected.removeAt(1);
    QCOMPARE(layoutOf(tm.read()), expected);
    const QList<PartitionInfo> after = partitionsOfDisk0();
    QStringList rows;
    for (const PartitionInfo &p : after)
        rows << (p.isUnallocated ? QStringLiteral("free %1+%2").arg(p.offset).arg(p.sizeBytes)
                                 : QStringLiteral("%1 %2").arg(p.id, p.driveLetter));
    QVERIFY2(rows.join(',').contains(QStringLiteral("0:1 C,free %1+%2,0:3 F").arg(record.offset).arg(record.sizeBytes)),
             qPrintable(rows.join(',')));
}

void TestDeletePartitionPage::refusalsAndFailuresChangeNothing_data()
{
    QTest::addColumn<int>("partition");
    QTest::addColumn<QString>("id"); // replaces the record's id when not null
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("lastText"); // how the last box begins
    QTest::addColumn<QString>("status");

    const QStringList failed = {"Final Confirmation", "Delete failed"};
    const QString untouched = QStringLiteral("You're deleting a partition...");
    // The stand-in refuses as Windows does, and the tool's answer is shown.
    QTest::newRow("the running system")
        << 1 << QString() << QByteArray() << QMessageBox::Yes << failed
        << "Partition 0:1 Delete failed:\nDeletion failed:\n" << "Delete failed";
    QTest::newRow("Error printed, exit code 0")
        << 2 << QString() << QByteArray(R"({"target":"tool.diskpart","exitCode":0,"output":"Error"})")
        << QMessageBox::Yes << failed << "Partition 0:2 Delete failed:\nError occurred during deletion:\nError"
        << "Delete failed";
    // Stopped at the scaled 30000 ms limit, long before the tool would end.
    QTest::newRow("hangs past the limit")
        << 2 << QString() << QByteArray(R"({"target":"tool.diskpart","hangMs":60000})") << QMessageBox::Yes
        << failed << "Partition 0:2 Delete failed:\nDeletion failed:\n" << "Delete failed";
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
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QStringList, titles);
    QFETCH(QString, lastText);
    QFETCH(QString, status);

    TestMachine tm;
    buildDeleteMachine(tm, 0.05, fault);
    const QStringList before = layoutOf(tm.read());
    PartitionInfo record = recordOf(partition);
    if (!id.isNull())
        record.id = id;

    MessageBoxAnswerer boxes;
    DeletePartitionPage dialog(record);
    dialog.show();
    confirm(dialog, boxes, answer);
    QVERIFY(boxes.waitFor(titles.size(), 15000));
    QTRY_VERIFY(!dialog.isRunning());

    QCOMPARE(boxes.titles(), titles);
    QVERIFY2(boxes.boxes().constLast().text.startsWith(lastText), qPrintable(boxes.boxes().constLast().text));
    QCOMPARE(child<QLabel>(dialog, "statusLabel")->text(), status);
    QVERIFY(dialog.isVisible());
    QVERIFY(child<QPushButton>(dialog, "confirmButton")->isEnabled());
    QCOMPARE(layoutOf(tm.read()), before);
}

void TestDeletePartitionPage::cancelWhileRunningThenLateSuccess()
{
    TestMachine tm;
    // The first run takes a while, well inside the scaled limit, so there is time to cancel.
    buildDeleteMachine(tm, 0.2, R"({"target":"tool.diskpart","hangMs":1500,"times":1})");
    const QStringList before = layoutOf(tm.read());

    MessageBoxAnswerer boxes;
    DeletePartitionPage dialog(recordOf(2));
    dialog.show();
    auto *confirmButton = child<QPushButton>(dialog, "confirmButton");
    auto *cancelButton = child<QPushButton>(dialog, "cancelButton");
    auto *statusLabel = child<QLabel>(dialog, "statusLabel");
    confirm(dialog, boxes);
    QVERIFY(dialog.isRunning());
    QVERIFY(!confirmButton->isEnabled());
    QTRY_COMPARE(statusLabel->text(), QStringLiteral("Deleting partition...."));

    boxes.enqueue(QMessageBox::Yes);
    QTest::mouseClick(cancelButton, Qt::LeftButton);
    QCOMPARE(boxes.at(1).title, QStringLiteral("Cancel operation"));
    QVERIFY(!dialog.isRunning());
    QCOMPARE(statusLabel->text(), QStringLiteral("Ready"));
    QCOMPARE(cancelButton->text(), QStringLiteral("Close"));
    QVERIFY(child<QProgressBar>(dialog, "progressBar")->isHidden());

    // Asking again while the worker is still busy is refused by the worker.
    confirm(dialog, boxes);
    QCOMPARE(boxes.at(3).title, QStringLiteral("Delete failed"));
    QCOMPARE(boxes.at(3).text, QStringLiteral("Partition 0:2 Delete failed:\nAnother delete operation is in progress"));
    QCOMPARE(layoutOf(tm.read()), before);

    // The first job's late success is still shown, and accepts the dialog.
    QVERIFY(boxes.waitFor(5, 15000));
    QCOMPARE(boxes.at(4).title, QStringLiteral("Deleted successfully"));
    QTRY_COMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(tm.read().disks.at(0).partitions.size(), 2);
}

void TestDeletePartitionPage::destroyedWhileRunningLetsTheJobFinish()
{
    TestMachine tm;
    // The destructor waits 300 ms (scaled) for the thread; the tool takes longer.
    buildDeleteMachine(tm, 0.1, R"({"target":"tool.diskpart","hangMs":1500})");

    MessageBoxAnswerer boxes;
    auto *dialog = new DeletePartitionPage(recordOf(2));
    dialog->show();
    confirm(*dialog, boxes);
    QTRY_COMPARE(child<QLabel>(*dialog, "statusLabel")->text(), QStringLiteral("Deleting partition...."));
    QPointer<QThread> thread = dialog->findChild<QThread *>();

    QElapsedTimer clock;
    clock.start();
    delete dialog;
    QVERIFY(clock.elapsed() < 1200);
    QVERIFY(thread); // not killed: it goes by itself once the job is over
    QTRY_VERIFY_WITH_TIMEOUT(thread.isNull(), 15000);
    QCOMPARE(tm.read().disks.at(0).partitions.size(), 2);
    QCOMPARE(boxes.count(), 1);
}

QTEST_MAIN(TestDeletePartitionPage)
#include "tst_deletepartitionpage.moc"
