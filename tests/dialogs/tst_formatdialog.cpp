// The Format action and dialog end to end: refusals, what a format changes and leaves alone, a
// failure and a retry, and a cancel or the dialog going away mid-format.
#include "support/guitestmain.h"
#include "deletetesting.h"
#include "support/messageboxanswerer.h"

#include "app/windowtesting.h"
#include "dialogs/partitionformatter.h"
#include "worker/diskoperationworker.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

#include <memory>

class TestFormatDialog : public QObject, WindowFixture
{
    Q_OBJECT

    PartitionInfo recordOf(const QString &id) const
    {
        QTreeWidgetItem *row = itemWithId(m_tree, id);
        return row ? row->data(0, Qt::UserRole + 1).value<PartitionInfo>() : PartitionInfo();
    }
    // One fault object, or an array of them.
    void setFaults(const char *json)
    {
        const QJsonDocument doc = QJsonDocument::fromJson(json);
        QVERIFY(m_machine->store().modify([&doc](sim::Machine &m) {
            m.faults = QJsonArray();
            for (const QJsonValue &f : doc.isArray() ? doc.array() : QJsonArray{doc.object()})
                m.faults.append(TestMachine::slowed(f.toObject()));
            return true;
        }));
    }

    // Chooses Format on the row (action list or context menu) and runs `body` on the open modal
    // dialog. Whatever the body leaves open is closed, so a failed check never hangs the test.
    bool withDialog(QTreeWidgetItem *row, bool viaMenu, const std::function<void(PartitionFormatter &)> &body)
    {
        bool opened = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *dialog = qobject_cast<PartitionFormatter *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll.stop();
            opened = true;
            QPointer<PartitionFormatter> guard(dialog);
            body(*dialog);
            if (guard && guard->isVisible() && QTest::qWaitFor([&] { return !guard || !guard->isFormatting(); }, 15000) && guard)
                guard->done(QDialog::Rejected);
        });
        poll.start(5);
        m_tree->setCurrentItem(row);
        if (viaMenu) {
            useContextMenu(m_tree, row, [](QMenu *menu) { return menu->actions().value(2); });
        } else {
            clickAction(*m_window, FormatRow);
        }
        return opened;
    }
    static void clickOk(PartitionFormatter &d) { QTest::mouseClick(child<QPushButton>(d, "m_formatButton"), Qt::LeftButton); }

private slots:
    // Disk 0: 0:1 the running system's EFI partition, 0:2 MSR, 0:3 C:, 0:4 D: (16 GiB),
    // 0:5 a letterless 2 GiB partition, 0:6 E:, 0:7 recovery, then free space.
    void init()
    {
        using Vol = TestMachine::Vol;
        m_machine = std::make_unique<TestMachine>();
        TestMachine &tm = *m_machine;
        tm.addDisk(0, 100 * sim::kGiB);
        tm.addPartition(0, sim::kMiB, 100 * sim::kMiB, "System", Vol("FAT32"));
        tm.addPartition(0, 101 * sim::kMiB, 16 * sim::kMiB, "MSR");
        tm.addPartition(0, 117 * sim::kMiB, 30 * sim::kGiB, "Primary", Vol("NTFS", "Windows", "C"));
        tm.addPartition(0, 31 * sim::kGiB, 16 * sim::kGiB, "Primary", Vol("NTFS", "Data", "D"));
        tm.addPartition(0, 47 * sim::kGiB, 2 * sim::kGiB, "Primary", Vol("NTFS", "Spare"));
        tm.addPartition(0, 49 * sim::kGiB, 10 * sim::kGiB, "Primary", Vol("NTFS", "Keep", "E"));
        tm.addPartition(0, 59 * sim::kGiB, 750 * sim::kMiB, "Recovery", Vol("NTFS"));
        tm.setTimeScale(0.01);
        QVERIFY(tm.write());
        QVERIFY(showWindow());
    }

    void cleanup() { closeWindow(); }

    // Partitions the machine needs are refused with the reason on the disabled button, a recovery
    // partition is named in a warning first (No the default), free space before any dialog opens.
    void refusals_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("reason");
        QTest::newRow("C:") << "0:3" << "Cannot format system drive C:";
        QTest::newRow("the running system's EFI") << "0:1" << "the system partition the running Windows started from";
        QTest::newRow("MSR") << "0:2" << "is a Microsoft Reserved (MSR) partition";
        QTest::newRow("recovery, warned") << "0:7" << "is a recovery partition";
        QTest::newRow("free space") << "unallocated" << "";
    }

    void refusals()
    {
        QFETCH(QString, id);
        QFETCH(QString, reason);
        const QStringList before = TestMachine::fingerprint(m_machine->read());
        MessageBoxAnswerer boxes;
        QString state, banner;
        const bool opened = withDialog(itemWithId(m_tree, id), false, [&](PartitionFormatter &d) {
            auto *ok = child<QPushButton>(d, "m_formatButton");
            banner = child<QLabel>(d, "m_warningLabel")->text();
            clickOk(d);
            state = QStringLiteral("%1 %2").arg(ok->isEnabled()).arg(ok->toolTip());
            QVERIFY(!d.windowIcon().isNull() && d.isModal());
            QTest::mouseClick(child<QPushButton>(d, "m_cancelButton"), Qt::LeftButton);
            QVERIFY(!d.isVisible()); // an idle dialog just closes
        });
        QCOMPARE(opened, !reason.isEmpty());
        if (state.startsWith("1 ")) {
            QCOMPARE(banner, "\u26A0\uFE0F Formatting will cause data loss on Partition 7 of Disk 0!");
            QCOMPARE(boxes.titles(), QStringList{"Special Partition"});
            QVERIFY(boxes.at(0).text.contains(reason) && boxes.at(0).defaultButton == QMessageBox::No);
        } else if (opened) {
            QVERIFY2(state.startsWith("0 ") && state.contains(reason), qPrintable(state));
            QCOMPARE(banner, "\u26D4 " + state.mid(2)); // the reason stands in the dialog, not only in a tip
            QCOMPARE(boxes.count(), 0);
        } else {
            QCOMPARE(boxes.titles(), QStringList{"Warning"});
            QCOMPARE(boxes.at(0).text, QStringLiteral("Please select a valid partition to format."));
        }
        QCOMPARE(TestMachine::fingerprint(m_machine->read()), before);
    }

    // The path handed to the engine, from records the tree does not build: a letter list only,
    // or no letter at all; without a disk index nothing can be named.
    void pathOfRecords_data()
    {
        QTest::addColumn<QString>("letters");
        QTest::addColumn<int>("disk");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("expected"); // the path, or the disabled button's tool tip
        QTest::newRow("letter list with root") << " e:\\" << 1 << 2 << "E:";
        QTest::newRow("C: in a letter list") << " c:\\" << 0 << 3 << "Cannot format system drive C:";
        QTest::newRow("partition number 0") << "" << 1 << 0 << "1:0";
        QTest::newRow("no disk index") << "" << -1 << 2 << "Partition lacks necessary identification information";
    }

    void pathOfRecords()
    {
        QFETCH(QString, letters);
        PartitionInfo p;
        p.id = QStringLiteral("x");
        p.driveLetters = letters.isEmpty() ? QStringList() : QStringList{letters};
        QFETCH(int, disk);
        QFETCH(int, number);
        p.diskIndex = disk;
        p.partitionNumber = number;
        p.fileSystem = QStringLiteral("exfat");
        PartitionFormatter d(p);
        auto *ok = child<QPushButton>(d, "m_formatButton");
        QTEST(ok->isEnabled() ? d.getFormatOptions().partitionPath : ok->toolTip(), "expected");
        QCOMPARE(child<QComboBox>(d, "m_fileSystemCombo")->currentText(), "exFAT"); // the volume's own first
    }

    // A format from the action list or the context menu: a label no volume can hold is refused before
    // the confirmation, cluster sizes follow file system and size, only the chosen partition changes.
    void formatEndToEnd_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("viaMenu");
        QTest::addColumn<QString>("fileSystem");
        QTest::addColumn<QString>("clusters"); // offered at open (NTFS), for FAT32, for the chosen file system
        QTest::addColumn<QString>("confirmed"); // in the confirmation
        QTest::addColumn<QString>("unit");      // the cluster size chosen
        QTest::addColumn<QString>("after");     // "letter fs label cluster" on the machine

        QTest::newRow("D: to exFAT from the list")
            << "0:4" << false << "exFAT"
            << "Default, 512 B, 1 KB, 2 KB, 4 KB, 8 KB, 16 KB, 32 KB, 64 KB; Default, 8 KB, 16 KB, 32 KB, 64 KB; Default, 512 B, 1 KB, 2 KB, 4 KB, 8 KB, 16 KB, 32 KB, 64 KB, 128 KB, 256 KB, 512 KB"
            << "Partition: D\nFile System: exFAT" << "32 KB" << "D exFAT Fresh 32768";
        QTest::newRow("letterless by disk:partition from the menu")
            << "0:5" << true << "NTFS"
            << "Default, 512 B, 1 KB, 2 KB, 4 KB, 8 KB, 16 KB, 32 KB, 64 KB; Default, 4 KB, 8 KB, 16 KB, 32 KB; "
               "Default, 512 B, 1 KB, 2 KB, 4 KB, 8 KB, 16 KB, 32 KB, 64 KB" << "Partition: Partition 5\nFile System: NTFS" << "8 KB" << "F NTFS Fresh 8192";
    }

    void formatEndToEnd()
    {
        QFETCH(QString, id);
        QFETCH(QString, fileSystem);
        QFETCH(bool, viaMenu);
        const sim::Machine before = m_machine->read();
        const int index = id.mid(2).toInt() - 1;
        PopupRecorder popups;
        MessageBoxAnswerer boxes;
        QString clusters;
        QVERIFY(withDialog(itemWithId(m_tree, id), viaMenu, [&](PartitionFormatter &d) {
            auto *fs = child<QComboBox>(d, "m_fileSystemCombo");
            auto *sizes = child<QComboBox>(d, "m_clusterSizeCombo");
            for (const QString &name : {QString(), QStringLiteral("FAT32"), fileSystem}) {
                if (!name.isEmpty())
                    fs->setCurrentText(name);
                for (int i = 0; i < sizes->count(); ++i)
                    clusters += (i ? ", " : clusters.isEmpty() ? "" : "; ") + sizes->itemText(i);
            }
            QFETCH(QString, unit);
            sizes->setCurrentText(unit);
            auto *label = child<QLineEdit>(d, "m_volumeLabelEdit");
            label->clear();
            QTest::keyClicks(label, QStringLiteral(" Fr\\/:*?<>|\"esh "));
            clickOk(d);
            QVERIFY(boxes.waitFor(1));
            QVERIFY(d.isVisible());
            label->setText(QStringLiteral(" Fresh "));
            boxes.enqueue(QMessageBox::Yes);
            clickOk(d);
            QVERIFY(QTest::qWaitFor([&] { return !d.isVisible(); }, 15000));
            QCOMPARE(d.result(), int(QDialog::Accepted));
        }));
        QTEST(clusters, "clusters");
        QCOMPARE(boxes.titles(), (QStringList{"Invalid Volume Label", "Confirm Format", "Format Complete"}));
        QCOMPARE(boxes.at(0).text, fileSystem + " labels cannot contain \u201C\\\u201D \u201C/\u201D \u201C:\u201D \u201C*\u201D "
                                                "\u201C?\u201D \u201C<\u201D \u201C>\u201D \u201C|\u201D \u201C\"\u201D.");
        QCOMPARE(boxes.at(2).text, QStringLiteral("The partition has been formatted successfully!"));
        QCOMPARE(boxes.at(2).icon, QMessageBox::Information);
        QFETCH(QString, confirmed);
        QVERIFY2(boxes.at(1).text.contains(confirmed), qPrintable(boxes.at(1).text));
        QCOMPARE(boxes.at(1).defaultButton, QMessageBox::No);

        const sim::Machine m = m_machine->read();
        const sim::Volume v = *m.disks.at(0).partitions.at(index).volume;
        QTEST(QStringList({v.letter, v.fileSystem, v.label, QString::number(v.clusterSize)}).join(' '), "after");
        QVERIFY(before.disks.at(0).partitions.at(index).volume->serial != v.serial);
        QCOMPARE(TestMachine::fingerprint(m, 0, index + 1), TestMachine::fingerprint(before, 0, index + 1));

        QTRY_COMPARE(recordOf(id).fileSystem + ' ' + recordOf(id).volumeLabel, v.fileSystem + ' ' + v.label);
        QCOMPARE(popups.texts, QStringList{"Refreshing partitions..."});
    }

    // D: changed since the tree showed it (another program, a stick swapped in): nothing is formatted.
    void changedSinceChosen()
    {
        QVERIFY(m_machine->store().modify([](sim::Machine &m) { return m.disks[0].partitions[3].size -= sim::kMiB; }));
        const QStringList before = TestMachine::fingerprint(m_machine->read());
        MessageBoxAnswerer boxes;
        boxes.enqueue(QMessageBox::Yes);
        QVERIFY(withDialog(itemWithId(m_tree, "0:4"), false, [&](PartitionFormatter &d) {
            clickOk(d);
            QVERIFY(boxes.waitFor(2, 15000) && boxes.at(1).text.contains(layoutChangedText()));
        }));
        QCOMPARE(TestMachine::fingerprint(m_machine->read()), before);
    }

    // A failed format leaves the dialog usable; the next attempt is a new job, its progress from nothing.
    void failureThenRetry()
    {
        setFaults(R"([{"target":"tool.diskpart","hangMs":400,"exitCode":5,"times":1},
                      {"target":"tool.diskpart","hangMs":400,"times":1}])");
        const QString serial = m_machine->read().disks.at(0).partitions.at(3).volume->serial;
        MessageBoxAnswerer boxes;
        QList<QList<int>> bars;
        QList<QPointer<DiskOperationWorker>> workers;
        int frozen = 0;
        QString whileFormatting, afterFailure;
        QVERIFY(withDialog(itemWithId(m_tree, "0:4"), false, [&](PartitionFormatter &d) {
            const auto inputs = [&d] {
                QString out;
                for (const char *name : {"m_volumeLabelEdit", "m_fileSystemCombo", "m_clusterSizeCombo", "m_quickFormatCheck", "m_formatButton"})
                    out += child<QWidget>(d, name)->isEnabled() ? '1' : '0';
                return out + ' ' + child<QPushButton>(d, "m_formatButton")->text() + ' '
                       + (child<QProgressBar>(d, "m_progressBar")->isVisible() ? "bar" : "");
            };
            connect(&d, &PartitionFormatter::formatStarted, this, [&](DiskOperationWorker *w) {
                bars.append(QList<int>());
                workers << w;
            });
            connect(child<QProgressBar>(d, "m_progressBar"), &QProgressBar::valueChanged, this, [&](int v) { bars.last() << v; });
            const QString style = child<QPushButton>(d, "m_formatButton")->styleSheet();
            boxes.enqueue(QMessageBox::Yes);
            clickOk(d);
            // The time-out (300 s, scaled) stops only the simulated progress: it stays where it was.
            QTimer *timeout = nullptr;
            for (QTimer *t : d.findChildren<QTimer *>())
                timeout = t->isActive() && t->isSingleShot() ? t : timeout;
            QCOMPARE(timeout ? timeout->interval() : 0, qRound(3000 * TestMachine::slowdown()));
            QTRY_VERIFY(bars.last().contains(50));
            whileFormatting = inputs();
            QVERIFY(QMetaObject::invokeMethod(timeout, "timeout"));
            frozen = bars.last().last();
            QVERIFY(boxes.waitFor(2, 15000));
            QVERIFY(d.isVisible() && !d.isFormatting());
            afterFailure = inputs();
            QCOMPARE(child<QPushButton>(d, "m_formatButton")->styleSheet(), style); // its own look back
            boxes.enqueue(QMessageBox::Yes);
            clickOk(d);
            QVERIFY(QTest::qWaitFor([&] { return !d.isVisible(); }, 15000));
        }));
        QCOMPARE(boxes.titles(), (QStringList{"Confirm Format", "Format Failed", "Confirm Format", "Format Complete"}));
        QVERIFY2(boxes.at(1).text.startsWith("Failed to format the partition.\n\nError: diskpart"), qPrintable(boxes.at(1).text));
        QCOMPARE(boxes.at(1).icon, QMessageBox::Critical);
        QVERIFY2(boxes.at(1).details.contains("[failed] format"), qPrintable(boxes.at(1).details)); // what the job did, behind Show Details
        QTRY_VERIFY(workers.size() == 2 && !workers.at(0) && !workers.at(1)); // each job's worker goes with its thread
        QCOMPARE(whileFormatting, QStringLiteral("00000 Formatting... bar"));
        QCOMPARE(afterFailure, QStringLiteral("11111 OK "));
        QCOMPARE(bars.size(), 2);
        // Failure messages as text: QTest::toString's buffer would leak.
        const auto text = [](const QList<int> &values) {
            QStringList parts;
            for (int v : values)
                parts << QString::number(v);
            return parts.join(u',');
        };
        QVERIFY2(frozen < 95 && *std::max_element(bars.at(0).cbegin(), bars.at(0).cend()) == frozen, qPrintable(text(bars.at(0))));
        // The bar was set to 0 before the start; an unreset simulated progress would go on from
        // where it stopped, or not at all. It stops at 95: only the job's own report writes 100.
        QVERIFY2(bars.at(1).size() >= 2 && qMax(bars.at(1).at(0), bars.at(1).at(1)) <= 10 && bars.at(1).contains(95)
                     && bars.at(1).last() == 100,
                 qPrintable(text(bars.at(1))));
        QVERIFY(m_machine->read().disks.at(0).partitions.at(3).volume->serial != serial);
    }

    // Cancel during a format (Escape, Cancel or the close button, each asking the one question) closes
    // the window at once: nothing waits or is killed. A begun format finishes; one not begun never
    // starts. A question left open closes itself when the format ends and the result replaces it; a
    // dialog destroyed mid-format lets the job run on. The window reports what the dialog could not,
    // the tree follows the machine, the thread releases itself.
    void cancelWhileFormatting_data()
    {
        QTest::addColumn<QString>("how"); // "Escape", "button", "close", "unanswered" or "destroy"
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<bool>("held");   // the job is held at its start until the stop request comes
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("fileSystem");
        const QByteArray hang = R"({"target":"tool.diskpart","hangMs":1000,"times":1})";
        QTest::newRow("Escape: the format finishes") << "Escape" << hang << false << "Format of D: completed successfully." << "NTFS Spare";
        QTest::newRow("Cancel button: not yet begun") << "button" << QByteArray() << true
                                                      << "Format of D: failed:\nThe format was canceled before it began; the partition is unchanged."
                                                      << "NTFS Data";
        QTest::newRow("close button: tool hangs past its limit") << "close" << QByteArray(R"({"target":"tool.diskpart","hangMs":7000,"times":1})")
                                                                 << false << "Format of D: failed:\ndiskpart 执行超时（120秒）" << "NTFS Data";
        QTest::newRow("question left open") << "unanswered" << hang << false << "The partition has been formatted successfully!" << "NTFS Spare";
        QTest::newRow("dialog destroyed") << "destroy" << QByteArray(R"({"target":"tool.diskpart","hangMs":500,"times":1})") << false
                                          << "Format of D: completed successfully." << "NTFS Spare";
    }

    void cancelWhileFormatting()
    {
        QFETCH(QString, how);
        QFETCH(QByteArray, fault);
        QFETCH(bool, held);
        m_machine->setTimeScale(0.03); // the 120 s limit is 3.6 s: a 1 s hang ends in time on a loaded machine too
        QVERIFY(m_machine->write());
        if (!fault.isEmpty())
            setFaults(fault.constData());
        auto boxes = std::make_unique<MessageBoxAnswerer>();
        QPointer<PartitionFormatter> dialog;
        boxes->setChooser([&dialog](const MessageBoxAnswerer::Box &box) {
            if (box.title == QLatin1String("Cancel Format") && dialog)
                dialog->reject(); // cancel again while asked: the one question stays the only one
            return QMessageBox::Yes;
        });
        // A question left unanswered: no answers until the result shows, then what is open.
        QStringList openAtResult;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            QStringList open;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->isVisible() && qobject_cast<QMessageBox *>(w))
                    open << w->windowTitle();
            if (!boxes && open.contains(QStringLiteral("Format Complete"))) {
                openAtResult = open;
                boxes = std::make_unique<MessageBoxAnswerer>();
            }
        });
        const auto cancel = [&how](PartitionFormatter &d) {
            if (how == QLatin1String("button"))
                QTest::mouseClick(child<QPushButton>(d, "m_cancelButton"), Qt::LeftButton);
            else if (how == QLatin1String("close"))
                d.close();
            else
                QTest::keyClick(&d, Qt::Key_Escape);
        };
        QPointer<QThread> thread;
        bool runningAfterClose = false;
        qint64 closeMs = 0;
        QVERIFY(withDialog(itemWithId(m_tree, "0:4"), false, [&](PartitionFormatter &d) {
            dialog = &d;
            child<QLineEdit>(d, "m_volumeLabelEdit")->setText(QStringLiteral("Spare"));
            if (held)
                connect(&d, &PartitionFormatter::formatStarted, this, [](DiskOperationWorker *w) {
                    connect(w, &DiskOperationWorker::operationProgress, w, [w](int percent) {
                        const QDeadlineTimer patience(5000);
                        while (percent == 10 && !w->stopRequest().load() && !patience.hasExpired())
                            QThread::msleep(1);
                    }, Qt::DirectConnection);
                });
            clickOk(d);
            QVERIFY(d.isFormatting());
            thread = d.findChild<QThread *>();
            if (how == QLatin1String("unanswered")) {
                boxes.reset();
                watch.start(5);
                cancel(d);
                QVERIFY(QTest::qWaitFor([&] { return !dialog || !dialog->isVisible(); }, 15000));
                return;
            }
            QElapsedTimer clock;
            if (how == QLatin1String("destroy")) {
                clock.start();
                delete &d;
            } else {
                boxes->enqueue(QMessageBox::No); // keeps it running, and the next cancel asks again
                cancel(d);
                QVERIFY(boxes->waitFor(2));
                QVERIFY(d.isVisible() && d.isFormatting());
                clock.start();
                cancel(d);
                QVERIFY(QTest::qWaitFor([&] { return !dialog || !dialog->isVisible(); }, 15000));
            }
            closeMs = clock.elapsed();
            runningAfterClose = thread && thread->isRunning();
        }));
        qDebug("closing took %lld ms", closeMs);
        if (how != QLatin1String("unanswered")) {
            QVERIFY(closeMs < 500 * TestMachine::slowdown());
            QVERIFY(held || runningAfterClose); // a held job ends at once after the stop
        }
        const int count = QMap<QString, int>{{"destroy", 2}, {"unanswered", 1}}.value(how, 4);
        QVERIFY(boxes->waitFor(count, 15000));
        QCOMPARE(boxes->count(), count);
        QCOMPARE(openAtResult, how == QLatin1String("unanswered") ? QStringList{"Format Complete"} : QStringList());
        if (count == 4)
            QCOMPARE(boxes->at(2).title + ' ' + boxes->at(2).text,
                     QStringLiteral("Cancel Format Format operation is in progress. Do you want to cancel it?\n\nA format that has "
                                    "already begun cannot be stopped half-way: it will finish, and its result will be shown."));
        QTEST(boxes->at(count - 1).text, "report");
        const sim::Volume v = *m_machine->read().disks.at(0).partitions.at(3).volume;
        QTEST(v.fileSystem + ' ' + v.label, "fileSystem");
        QTRY_COMPARE(recordOf("0:4").volumeLabel, v.label);
        QTRY_VERIFY_WITH_TIMEOUT(thread.isNull(), 15000);
    }
};

TESSALINE_GUI_TEST_MAIN(TestFormatDialog)
#include "tst_formatdialog.moc"
