// One language at a time: the catalogues, the choice of one, and what the window, the delete and
// merge flows, the start-up check and the format engine show with each loaded.
#include "support/guitestmain.h"
#include "support/messageboxanswerer.h"
#include "dialogs/deletetesting.h"
#include "windowtesting.h"

#include "app/translations.h"
#include "common/mergeneighbour.h"
#include "common/volumelabel.h"
#include "dialogs/diskpartitionpage.h"
#include "dialogs/mergepartitiondialog.h"
#include "dialogs/partitionformatter.h"
#include "dialogs/splitpartitiondialog.h"
#include "dialogs/partitionprogressdialog.h"
#include "dialogs/resizedialog.h"
#include "storage/scriptrunner.h"
#include "storage/windowsstoragemanager.h"
#include "worker/diskoperationworker.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLibraryInfo>
#include <QListWidget>
#include <QRegularExpression>
#include <QSet>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <QXmlStreamReader>

namespace {

const QRegularExpression kCjk(QStringLiteral("[\\x{3000}-\\x{303f}\\x{3400}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
// Three Latin words in a row make an English phrase; names of products, tools and file
// systems stand alone and do not, nor do the test machine's volume labels.
const QRegularExpression kEnglishPhrase(QStringLiteral("[A-Za-z]{2,}(?:[ -]+[A-Za-z]{2,}){2,}"));
const QRegularExpression kEnglishWord(QStringLiteral("[A-Za-z]{3,}"));
const QSet<QString> kNames{"Morvane", "Tessaline", "Windows", "diskpart", "fat32format", "exe", "NTFS", "exFAT",
                           "FAT32", "ReFS", "WMI", "API", "MBR", "GPT", "EFI", "MSR", "OEM", "Microsoft", "USB", "Data", "Media"};

QSet<QString> placeholders(const QString &text)
{
    QSet<QString> out;
    for (const auto &m : QRegularExpression(QStringLiteral("%\\d+")).globalMatch(text))
        out.insert(m.captured());
    return out;
}

// Empty when `text` reads as the catalogue's language, else why not.
QString languageFault(QString text, const QString &catalogue)
{
    text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    if (catalogue == QLatin1String("en"))
        return text.contains(kCjk) ? QStringLiteral("Chinese in English") : QString();
    if (text.contains(kEnglishPhrase))
        return QStringLiteral("English phrase in Chinese");
    if (!text.contains(kCjk))
        for (const auto &m : kEnglishWord.globalMatch(text))
            if (!kNames.contains(m.captured()))
                return QStringLiteral("untranslated English word \"%1\"").arg(m.captured());
    return QString();
}

// Every text a widget tree shows: labels, buttons, group titles, actions, window titles,
// tool tips, tree rows and headers.
QStringList textsOf(QWidget *root)
{
    QStringList out{root->windowTitle(), root->toolTip()};
    for (QWidget *w : root->findChildren<QWidget *>()) {
        out << w->toolTip();
        if (auto *l = qobject_cast<QLabel *>(w))
            out << l->text();
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            out << b->text();
        if (auto *g = qobject_cast<QGroupBox *>(w))
            out << g->title();
        if (auto *list = qobject_cast<QListWidget *>(w))
            for (int i = 0; i < list->count(); ++i)
                out << list->item(i)->text();
        if (auto *tree = qobject_cast<QTreeWidget *>(w)) {
            for (int c = 0; c < tree->columnCount(); ++c)
                out << tree->headerItem()->text(c);
            for (QTreeWidgetItemIterator it(tree); *it; ++it)
                for (int c = 0; c < tree->columnCount(); ++c)
                    out << (*it)->text(c);
        }
    }
    for (QAction *a : root->findChildren<QAction *>())
        out << a->text();
    out.removeAll(QString());
    return out;
}

// The shown one-line labels whose text is wider than the label: cut off on screen.
QStringList clippedLabels(QWidget *root)
{
    QStringList out;
    for (QLabel *l : root->findChildren<QLabel *>()) {
        if (!l->isVisible() || l->wordWrap() || l->text().isEmpty() || Qt::mightBeRichText(l->text()))
            continue;
        int widest = 0;
        for (const QString &line : l->text().split(QLatin1Char('\n')))
            widest = std::max(widest, l->fontMetrics().horizontalAdvance(line));
        if (widest > l->contentsRect().width() - 2 * l->margin())
            out << QStringLiteral("%1 (%2 > %3 px): %4").arg(l->objectName()).arg(widest).arg(l->contentsRect().width()).arg(l->text());
    }
    return out;
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { translations::use(QString()); }

    // Which catalogue a list of UI languages gets, and the command line's choice.
    void choice()
    {
        QCOMPARE(translations::catalogueFor({"zh-Hans-CN", "zh-CN", "zh"}), QStringLiteral("zh_CN"));
        QCOMPARE(translations::catalogueFor({"zh_SG"}), QStringLiteral("zh_CN"));
        QCOMPARE(translations::catalogueFor({"zh-Hant", "zh-HK", "zh_MO", "zh-TW", "en-GB"}), QStringLiteral("en"));
        QCOMPARE(translations::catalogueFor({"de-DE", "fr"}), QString());
        QCOMPARE(translations::catalogueFor({"C"}), QString());
        QCOMPARE(translations::requestedLanguage({"tessaline", "--simulated", "--language", "zh_CN"}), QStringLiteral("zh_CN"));
        QCOMPARE(translations::requestedLanguage({"tessaline", "--language=source"}), QStringLiteral("source"));
        QCOMPARE(translations::requestedLanguage({"tessaline", "--simulated"}), QString());
        QCOMPARE(translations::uiLanguagesOr({"C"}, "zh-CN"), QStringList{"zh-CN"});
        QCOMPARE(translations::uiLanguagesOr({"en-GB", "en"}, "zh-CN"), (QStringList{"en-GB", "en"}));
        QCOMPARE(translations::uiLanguagesOr({"C"}, QString()), QStringList());
        QVERIFY(!translations::use(QStringLiteral("fr")));
        QVERIFY(translations::use(QStringLiteral("zh_CN")));
        QCOMPARE(QCoreApplication::translate("MainWindow", "Warning"), QStringLiteral("警告"));
        if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_zh_CN.qm"))
            QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("是(&Y)"));
        QVERIFY(translations::use(QStringLiteral("source")));
        QCOMPARE(QCoreApplication::translate("MainWindow", "Warning"), QStringLiteral("Warning"));
    }

    void catalogues_data()
    {
        QTest::addColumn<QString>("catalogue");
        QTest::newRow("en") << "en";
        QTest::newRow("zh_CN") << "zh_CN";
    }

    // Every source not already in the catalogue's language has a finished translation in it,
    // with the same placeholders. Entries added later by lupdate are held to the same rule.
    void catalogues()
    {
        QFETCH(QString, catalogue);
        QFile file(QStringLiteral(TESSALINE_SOURCE_DIR "/translations/tessaline_%1.ts").arg(catalogue));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList faults;
        int messages = 0;
        QString source;
        for (QXmlStreamReader ts(&file); !ts.atEnd();) {
            if (ts.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (ts.name() == QLatin1String("source")) {
                source = ts.readElementText();
                continue;
            }
            if (ts.name() != QLatin1String("translation"))
                continue;
            ++messages;
            const bool unfinished = ts.attributes().hasAttribute(QStringLiteral("type"));
            const QString translation = ts.readElementText();
            const bool needed = !languageFault(source, catalogue).isEmpty();
            if (translation.isEmpty() || unfinished) {
                if (needed)
                    faults << QStringLiteral("untranslated: ") + source;
                continue;
            }
            if (placeholders(translation) != placeholders(source))
                faults << QStringLiteral("placeholders differ: ") + source;
            if (const QString why = languageFault(translation, catalogue); !why.isEmpty())
                faults << why + QStringLiteral(": ") + translation;
        }
        QVERIFY(messages > 200);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    void flows_data() { catalogues_data(); }

    // With the catalogue loaded, the start-up refusal, the main window and a row's menu, a deletion
    // end to end, a refused deletion, the merge, format, create, progress, resize and split dialogs,
    // a refusal of each operation, and the format, create and resize jobs' messages all speak its
    // language, and the values put into placeholders still show.
    void flows()
    {
        QFETCH(QString, catalogue);
        QVERIFY(translations::use(catalogue));
        registerRecordMetaTypes();
        TestMachine machine;
        buildDeleteMachine(machine, 0.05);
        QStringList texts;
        MessageBoxAnswerer boxes;
        boxes.setChooser([](const MessageBoxAnswerer::Box &b) {
            return b.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::NoButton;
        });

        machine.setWindowsVersion(QStringLiteral("6.1"));
        QVERIFY(machine.write());
        {
            MainWindow refused;
            QVERIFY(boxes.waitFor(1));
        }
        QVERIFY(boxes.at(0).text.contains(QStringLiteral("Windows 6.1")));
        machine.setWindowsVersion(QStringLiteral("10.0"));
        QVERIFY(machine.write());

        MainWindow window;
        QVERIFY(waitUntilReady(window));
        QStringList clipped;
        auto look = [&](QWidget *w) {
            texts << textsOf(w);
            clipped << clippedLabels(w);
        };
        look(&window);
        QTreeWidget *tree = treeOf(window);
        QVERIFY(useContextMenu(tree, tree->topLevelItem(0)->child(0), [&](QMenu *menu) { look(menu); return nullptr; }));

        QPointer<DeletePartitionPage> page = actOn<DeletePartitionPage>(window, QStringLiteral("E"), DeleteRow);
        QVERIFY(page);
        look(page);
        QTest::mouseClick(child<QPushButton>(*page, "confirmButton"), Qt::LeftButton);
        QVERIFY(boxes.waitFor(3, 15000)); // the final question, then the success
        QTRY_VERIFY(page.isNull());
        QTRY_COMPARE(childTexts(tree->topLevelItem(0)).value(1), QCoreApplication::translate("MainWindow", "Unallocated"));
        QVERIFY(boxes.at(2).text.contains(QStringLiteral("E: (Data)")));
        QVERIFY(boxes.at(2).details.contains(QCoreApplication::translate("JobReport", "delete partition")));

        page = actOn<DeletePartitionPage>(window, QStringLiteral("C"), DeleteRow);
        QVERIFY(page);
        QTest::mouseClick(child<QPushButton>(*page, "confirmButton"), Qt::LeftButton);
        QVERIFY(boxes.waitFor(4)); // refused: the running system's partition
        QVERIFY(boxes.at(3).text.contains(QStringLiteral("C:")));
        page->close();

        boxes.setChooser([](const MessageBoxAnswerer::Box &) { return QMessageBox::No; });
        auto *merge = actOn<MergePartitionDialog>(window, QStringLiteral("F"), MergeRow);
        QVERIFY(merge);
        look(merge);
        merge->reject();

        // Each dialog as the window opens it (format and resize are modal), then the same
        // operation on a row it refuses.
        int opened = 0;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (qobject_cast<PartitionFormatter *>(modal) || qobject_cast<ResizeDialog *>(modal)) {
                look(modal);
                if (auto *format = modal->findChild<QPushButton *>(QStringLiteral("m_formatButton")))
                    format->click(); // asks on F (answered No)
                ++opened;
                modal->reject();
            }
        });
        closer.start(20);
        const QList<std::pair<const char *, const char *>> operations{
            {"onFormatPartition", "F"}, {"onCreatePartition", "Unallocated"}, {"onResizePartition", "F"},
            {"onFormatPartition", "C"}, {"onCreatePartition", "F"}, {"onResizePartition", "C"}};
        for (const auto &[slot, row] : operations) {
            const QString name = QString::fromLatin1(row) == QLatin1String("Unallocated")
                                     ? QCoreApplication::translate("MainWindow", "Unallocated") : QString::fromLatin1(row);
            selectRow(window, name);
            QVERIFY(QMetaObject::invokeMethod(&window, slot));
            if (auto *create = window.findChild<DiskPartitionPage *>()) {
                look(create);
                create->setAttribute(Qt::WA_DeleteOnClose, false);
                delete create;
                ++opened;
            }
        }
        QCOMPARE(opened, 4);
        QVERIFY(boxes.waitFor(7)); // format F asks; C's format dialog shows its refusal itself
        QVERIFY(boxes.at(6).text.startsWith(QStringLiteral("C")));
        for (const char *row : {"F", "C"}) { // the split dialog, then a refused split
            selectRow(window, QString::fromLatin1(row));
            QVERIFY(QMetaObject::invokeMethod(&window, "onSplitPartition"));
            if (auto *split = window.findChild<SplitPartitionDialog *>()) {
                look(split);
                delete split;
            }
        }
        QVERIFY(boxes.waitFor(8));

        DiskOperationWorker worker;
        QVERIFY(worker.initWorkerStorageManager());
        QStringList results;
        connect(&worker, &DiskOperationWorker::operationCompleted, this, [&](bool, const QString &m) { results << m; });
        connect(&worker, &DiskOperationWorker::partitionCreationCompleted, this, [&](bool, const QString &m) { results << m; });
        {
            PartitionProgressDialog progress(&worker);
            PartitionCreateRequest tooLarge{500 * sim::kGiB, QStringLiteral("NTFS"), QStringLiteral("Big"), QString(), false};
            worker.startBatchCreateAndFormat({tooLarge}, 0);
            QTRY_COMPARE(results.size(), 1);
            QVERIFY(results.at(0).contains(QStringLiteral("500.00 GB")));
            texts << textsOf(&progress) << progress.findChild<QTextEdit *>()->toPlainText().split(QLatin1Char('\n'));
        }
        worker.resizePartitionCompleteAsync(QStringLiteral("0:9"), sim::kGiB);
        QVERIFY(results.value(1).contains(QStringLiteral("0:9")));
        results.clear();

        worker.formatPartitionAsync({QStringLiteral("E:"), QStringLiteral("ReFS"), QString(), 0, true});
        worker.formatPartitionAsync({QString(), QStringLiteral("NTFS"), QString(), 0, true});
        QCOMPARE(results.size(), 2);
        QVERIFY(results.at(0).endsWith(QStringLiteral("ReFS")));
        // The tool runner's causes, one for each way a run ends badly.
        for (int ending = 0; ending < 8; ++ending) {
            scriptrunner::RunResult r;
            r.refused = ending == 0;
            r.scriptWritten = ending > 1;
            r.started = ending > 2;
            r.cancelled = ending == 3;
            r.timedOut = ending == 4;
            r.crashed = ending == 5;
            r.finished = r.exitCodeObtained = ending >= 6;
            r.exitCode = ending == 6 ? 7 : 0; // then an exit code, or a quiet failure
            texts << scriptrunner::failureCause(scriptrunner::Run::DeletePartition, r);
        }
        // A letterless partition named in the merge rule's and the jobs' own words.
        PartitionInfo extended, after;
        extended.diskIndex = 1;
        extended.partitionNumber = 2;
        extended.typeCode = PartitionTypeCode::Extended;
        after.partitionNumber = 3;
        texts << mergeNeighbour({extended, after}, 2).refusal << partitionName(extended);
        texts << results << worker.getCurrentOperationName() << WindowsStorageManager::returnCodeText(42002)
              << volumelabel::refusal(QStringLiteral("FAT32"), QStringLiteral("a.b"));

        for (int i = 0; i < boxes.count(); ++i)
            texts << boxes.at(i).title << boxes.at(i).text;
        QStringList faults;
        for (const QString &t : std::as_const(texts))
            if (const QString why = languageFault(t, catalogue); !why.isEmpty())
                faults << why + QStringLiteral(": ") + t;
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        QVERIFY(texts.size() > 100);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    }
};

TESSALINE_GUI_TEST_MAIN(TestTranslations)
#include "tst_translations.moc"
