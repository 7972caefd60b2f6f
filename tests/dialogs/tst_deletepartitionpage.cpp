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

// Clicks Confirm; the final confirmation gets `answer`.
void confirm(DeletePartitionPage &dialog, MessageBoxAnswerer &boxes, QMessageBox::StandardButton answer = QMessageBox::Yes)
{
    boxes.enqueue(answer);
    QTest::mouseClick(child<QPushButton>(dialog, "confirmButton"), Qt::LeftButton);
}

QString statusOf(DeletePartitionPage &dialog)
{
    return child<QLabel>(dialog, "statusLabel")->text();
}

} // namespace

class TestDeletePartitionPage : public QObject
{
    Q_OBJECT

private slots:
    void ringPicture_data()
    {
        QTest::addColumn<int>("percentage");
        QTest::addColumn<QByteArray>("ring"); // at 10°, 90°, 180° and 270° clockwise from the top
        QTest::addColumn<char>("text");
        QTest::newRow("0: the track only") << 0 << QByteArray("GGGG") << 'B';
        QTest::newRow("29: blue") << 29 << QByteArray("BBGG") << 'B';
        QTest::newRow("30: green") << 30 << QByteArray("NNGG") << 'N';
    }

    void ringPicture()
    {
        QFETCH(int, percentage);
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
        QTEST(seen, "ring");

        // The percentage in the middle, in the arc's colour and no other.
        QByteArray middle;
        for (int y = 45; y < 76; ++y)
            for (int x = 35; x < 86; ++x)
                middle += shadeAt(image, x, y);
        QVERIFY(middle.count(text) >= 5);
        QCOMPARE(middle.count(text == 'B' ? 'N' : 'B'), 0);
    }

    void refusalsAndFailuresChangeNothing_data()
    {
        QTest::addColumn<int>("partition");
        QTest::addColumn<QString>("id"); // replaces the record's id when not null
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("lastText"); // how the last box begins

        const QStringList failed = {"Final Confirmation", "Delete failed"};
        // The stand-in refuses as Windows does, and the tool's answer is shown.
        QTest::newRow("the running system") << 1 << QString() << QByteArray() << true << failed
                                            << "Partition 0:1 Delete failed:\nDeletion failed:\n";
        QTest::newRow("Error printed, exit code 0")
            << 2 << QString() << QByteArray(R"({"target":"tool.diskpart","exitCode":0,"output":"Error"})") << true
            << failed << "Partition 0:2 Delete failed:\nError occurred during deletion:\nError";
        // Stopped at the scaled 30000 ms limit, long before the tool would end.
        QTest::newRow("hangs past the limit")
            << 2 << QString() << QByteArray(R"({"target":"tool.diskpart","hangMs":60000})") << true << failed
            << "Partition 0:2 Delete failed:\nDeletion failed:\n";
        QTest::newRow("declined") << 2 << QString() << QByteArray() << false << QStringList{"Final Confirmation"}
                                  << "⚠️ Final Confirmation ⚠️";
        // Ids that are not two numbers must not fall back to another disk or partition.
        for (const char *bad : {"a:b", "0:2:1", "", "0:0"})
            QTest::addRow("id \"%s\"", bad) << 2 << QString::fromLatin1(bad) << QByteArray() << true
                                            << QStringList{"Invalid partition"}
                                            << "Cannot delete this partition: its ID \"" + QString::fromLatin1(bad) + "\"";
    }

    void refusalsAndFailuresChangeNothing()
    {
        QFETCH(int, partition);
        QFETCH(QString, id);
        QFETCH(QByteArray, fault);
        QFETCH(bool, confirmed);
        QFETCH(QStringList, titles);
        QFETCH(QString, lastText);
        TestMachine tm;
        buildDeleteMachine(tm, 0.05, fault);
        const QStringList before = layoutOf(tm.read());
        PartitionInfo record = recordOf(partition);
        if (!id.isNull())
            record.id = id;

        MessageBoxAnswerer boxes;
        DeletePartitionPage dialog(record);
        dialog.show();
        confirm(dialog, boxes, confirmed ? QMessageBox::Yes : QMessageBox::No);
        QVERIFY(boxes.waitFor(titles.size(), 15000));
        QTRY_VERIFY(!dialog.isRunning());
        QCOMPARE(boxes.titles(), titles);
        QVERIFY2(boxes.at(titles.size() - 1).text.startsWith(lastText), qPrintable(boxes.at(titles.size() - 1).text));
        const bool ran = titles.last() == QLatin1String("Delete failed");
        QCOMPARE(statusOf(dialog), ran ? QStringLiteral("Delete failed") : QStringLiteral("You're deleting a partition..."));
        QVERIFY(dialog.isVisible());
        QVERIFY(child<QPushButton>(dialog, "confirmButton")->isEnabled());
        QCOMPARE(layoutOf(tm.read()), before);
    }

    void cancelWhileRunningThenLateSuccess()
    {
        TestMachine tm;
        // The first run takes a while, well inside the scaled limit, so there is time to cancel.
        buildDeleteMachine(tm, 0.2, R"({"target":"tool.diskpart","hangMs":1500,"times":1})");
        const QStringList before = layoutOf(tm.read());

        MessageBoxAnswerer boxes;
        DeletePartitionPage dialog(recordOf(2));
        dialog.show();
        auto *cancelButton = child<QPushButton>(dialog, "cancelButton");
        confirm(dialog, boxes);
        QVERIFY(dialog.isRunning());
        QVERIFY(!child<QPushButton>(dialog, "confirmButton")->isEnabled());
        QTRY_COMPARE(statusOf(dialog), QStringLiteral("Deleting partition...."));

        boxes.enqueue(QMessageBox::Yes);
        QTest::mouseClick(cancelButton, Qt::LeftButton);
        QCOMPARE(boxes.at(1).title, QStringLiteral("Cancel operation"));
        QVERIFY(!dialog.isRunning() && dialog.isVisible());
        QCOMPARE(statusOf(dialog), QStringLiteral("Ready"));
        QCOMPARE(cancelButton->text(), QStringLiteral("Close"));
        QVERIFY(child<QProgressBar>(dialog, "progressBar")->isHidden());

        // Asking again while the worker is still busy is refused by the worker.
        confirm(dialog, boxes);
        QCOMPARE(boxes.at(3).text, QStringLiteral("Partition 0:2 Delete failed:\nAnother delete operation is in progress"));
        QCOMPARE(layoutOf(tm.read()), before);

        // The first job's late success is still shown, and accepts the dialog.
        QVERIFY(boxes.waitFor(5, 15000));
        QCOMPARE(boxes.at(4).title, QStringLiteral("Deleted successfully"));
        QTRY_COMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(tm.read().disks.at(0).partitions.size(), 2);
    }

    void destroyedWhileRunningLetsTheJobFinish()
    {
        TestMachine tm;
        // The destructor waits 300 ms (scaled) for the thread; the tool takes longer.
        buildDeleteMachine(tm, 0.1, R"({"target":"tool.diskpart","hangMs":1500})");

        MessageBoxAnswerer boxes;
        auto *dialog = new DeletePartitionPage(recordOf(2));
        dialog->show();
        confirm(*dialog, boxes);
        QTRY_COMPARE(statusOf(*dialog), QStringLiteral("Deleting partition...."));
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
};

QTEST_MAIN(TestDeletePartitionPage)
#include "tst_deletepartitionpage.moc"
