// The window's running jobs: one job per disk, and a window that closes only after its jobs,
// judged on a simulated machine with the real stand-ins.
#include "support/guitestmain.h"
#include "support/messageboxanswerer.h"
#include "support/testmachine.h"

#include "app/windowtesting.h"
#include "dialogs/deletepartitionpage.h"
#include "dialogs/mergepartitiondialog.h"
#include "dialogs/splitpartitiondialog.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QListWidget>
#include <QPushButton>
#include <QThread>

namespace {

const qint64 M = sim::kMiB, G = sim::kGiB;

// "letter MiB serial" of each partition of a disk; a new volume's serial shows as "new".
QString layoutOf(const sim::Machine &m, int disk)
{
    return partitionsOf(m, disk, QStringLiteral("letter mib serial"), QStringLiteral("9999-")).join(QLatin1String(", "));
}

} // namespace

class TestRunningJobs : public QObject, WindowFixture
{
    Q_OBJECT

    QListWidget *m_actions = nullptr;

    // Disk 1: E: (10 GiB), a 60 MiB gap, F:; disk 2: K:. Each diskpart script that matches
    // `slow` takes 1.5 s.
    void openWindow(const char *slow)
    {
        using Vol = TestMachine::Vol;
        m_machine = std::make_unique<TestMachine>();
        m_machine->addDisk(1, 40 * G);
        m_machine->addPartition(1, M, 10 * G, "Primary", Vol("NTFS", "Data", "E", 0, 4096, "9999-0001"));
        m_machine->addPartition(1, 10 * G + 61 * M, 5 * G, "Primary", Vol("NTFS", "Media", "F", 0, 4096, "9999-0002"));
        m_machine->addDisk(2, 20 * G);
        m_machine->addPartition(2, M, 10 * G, "Primary", Vol("NTFS", "Apps", "K", 0, 4096, "9999-0003"));
        m_machine->setTimeScale(0.02);
        m_machine->addFault(QStringLiteral(R"({"target":"tool.diskpart","match":"%1","hangMs":1500})").arg(QLatin1String(slow)).toUtf8().constData());
        QVERIFY(m_machine->write());
        QVERIFY(showWindow());
        m_actions = child<QListWidget>(*m_window, "rightPanel");
    }

    template <typename Dialog>
    Dialog *act(const char *row, ActionRow action) { return actOn<Dialog>(*m_window, QString::fromLatin1(row), action); }

    // Merges the gap into E: and lets the dialog go at once: the job runs on, followed by the window.
    QPointer<QThread> startMergeAndCloseDialog()
    {
        auto *dialog = act<MergePartitionDialog>("E", MergeRow);
        if (!dialog)
            return nullptr;
        QTest::mouseClick(child<QPushButton>(*dialog, "mergeButton"), Qt::LeftButton);
        QPointer<QThread> thread = dialog->findChild<QThread *>();
        delete dialog;
        return thread;
    }

    QLabel *jobsLine() const { return m_window->findChild<QLabel *>(QStringLiteral("runningJobsLabel")); }

private slots:
    void cleanup() { closeWindow(); }

    // While E: grows, disk 1 takes no other job (the action says why and opens nothing), disk 2
    // does, and disk 1 is free again once the merge has ended.
    void oneJobPerDisk()
    {
        openWindow("extend");
        MessageBoxAnswerer boxes;
        QVERIFY(startMergeAndCloseDialog());
        QCOMPARE(jobsLine()->text(), QStringLiteral("Running: Merge into partition E: (disk 1)"));
        QVERIFY(jobsLine()->isVisible());

        QVERIFY(!act<DeletePartitionPage>("F", DeleteRow));
        QVERIFY(boxes.waitFor(1));
        QCOMPARE(boxes.at(0).title, QStringLiteral("Disk busy"));
        QVERIFY(boxes.at(0).text.startsWith("Merge into partition E: is still running on disk 1."));
        QCOMPARE(m_actions->item(DeleteRow)->toolTip(), QStringLiteral("Disk 1 is busy: Merge into partition E:"));

        boxes.enqueue(QMessageBox::Yes); // K: goes beside the merge, on its own disk
        QPointer<DeletePartitionPage> other = act<DeletePartitionPage>("K", DeleteRow);
        QVERIFY(other && m_actions->item(DeleteRow)->toolTip().isEmpty());
        QTest::mouseClick(child<QPushButton>(*other, "confirmButton"), Qt::LeftButton);
        QCOMPARE(jobsLine()->text(), "Running: Merge into partition E: (disk 1); Deletion of K: (Apps) (disk 2)");
        QVERIFY(boxes.waitFor(4, 20000));
        QVERIFY(boxes.titles().contains("Merger Success"));
        QTRY_VERIFY(!jobsLine()->isVisible());
        QPointer<DeletePartitionPage> again = act<DeletePartitionPage>("F", DeleteRow);
        QVERIFY(again);
        delete again.data();
        QCOMPARE(boxes.count(), 4);
    }

    // Closing the window while a job runs asks; No keeps it, Yes keeps it only until the job
    // has ended and its thread is gone, and the machine shows the whole job.
    void closingWaitsForTheJob_data()
    {
        QTest::addColumn<QString>("job");
        QTest::addColumn<QString>("disk1");
        QTest::addColumn<QString>("running");
        QTest::newRow("merge, its dialog gone") << "merge" << "E 10300 9999-0001, F 5120 9999-0002"
                                                << "Running: Merge into partition E: (disk 1)";
        QTest::newRow("split, its dialog open") << "split" << "E 6144 9999-0001, G 4096 new, F 5120 9999-0002"
                                                << "Running: Split of partition E: (disk 1)";
    }

    void closingWaitsForTheJob()
    {
        QFETCH(QString, job);
        openWindow(job == "merge" ? "extend" : "create");
        MessageBoxAnswerer boxes;
        QPointer<QThread> thread;
        if (job == "merge") {
            thread = startMergeAndCloseDialog();
        } else {
            auto *dialog = act<SplitPartitionDialog>("E", SplitRow);
            QVERIFY(dialog);
            child<QDoubleSpinBox>(*dialog, "originalSizeSpinBox")->setValue(6.0);
            auto *letters = child<QComboBox>(*dialog, "driveLetterCombo");
            letters->setCurrentIndex(letters->findData(QStringLiteral("G")));
            boxes.enqueue(QMessageBox::Yes);
            QTest::mouseClick(child<QPushButton>(*dialog, "splitButton"), Qt::LeftButton);
            thread = dialog->findChild<QThread *>();
        }
        QVERIFY(thread);

        // The question's own loop runs inside close(), so it has been answered when close returns.
        int asked = boxes.count();
        boxes.enqueue(QMessageBox::No);
        m_window->close();
        QCOMPARE(boxes.count(), asked + 1);
        QCOMPARE(boxes.at(asked).title, QStringLiteral("Jobs still running"));
        QVERIFY(boxes.at(asked).text.startsWith("Still running:\n• "));
        QVERIFY(m_window->isVisible());
        QTEST(jobsLine()->text(), "running");

        asked = boxes.count();
        boxes.enqueue(QMessageBox::Yes);
        m_window->close();
        QCOMPARE(boxes.count(), asked + 1);
        QVERIFY(m_window->isVisible());
        QVERIFY(jobsLine()->text().startsWith("Closing once the running jobs have ended: "));
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->isVisible(), 20000);
        QVERIFY(!thread || thread->isFinished());
        QTEST(layoutOf(m_machine->read(), 1), "disk1");
    }
};

TESSALINE_GUI_TEST_MAIN(TestRunningJobs)
#include "tst_runningjobs.moc"
