// The frame: title bar dragging and buttons, the menu, the web pages, the form's object names.
#include "app/customtitlebar.h"
#include "app/mainwindow.h"
#include "common/records.h"
#include "support/messageboxanswerer.h"
#include "support/testmachine.h"

#include <QDesktopServices>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include <memory>

// Stands in for the desktop's browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

namespace {

// `global` is where the cursor is on the screen; the local position is what the widget saw
// when the press happened (the window moves under the cursor while dragging).
void sendMouse(QWidget *target, QEvent::Type type, const QPoint &global, Qt::MouseButton button,
               Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

class TestTitleBar : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> m_machine;
    std::unique_ptr<MainWindow> m_window;
    UrlCatcher m_browser;

    CustomTitleBar *titleBar() { return m_window->findChild<CustomTitleBar *>(); }

private slots:
    void initTestCase()
    {
        registerRecordMetaTypes();
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_browser, "open");
        m_machine = std::make_unique<TestMachine>();
        m_machine->setTimeScale(0.01);
        m_machine->addDisk(0, 8 * sim::kGiB);
        QVERIFY(m_machine->write());
    }

    void init()
    {
        m_window = std::make_unique<MainWindow>();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_browser.urls.clear();
    }

    void cleanup() { m_window.reset(); }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }

    void frame()
    {
        QCOMPARE(m_window->size(), QSize(1150, 785));
        QVERIFY(m_window->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Disk Management - Storage Management API Edition"));
        QCOMPARE(m_window->centralWidget()->objectName(), QStringLiteral("centralContentWidget"));
        QVERIFY(m_window->findChild<QWidget *>(QStringLiteral("originalCentralWidget")));
        for (const char *name : {"leftPanel", "listWidget", "stackedWidget", "PartitionManagerPage", "pageTitle",
                                 "treeWidget", "rightPanel", "btnRefresh", "statusLabel", "DiskClonePage",
                                 "cloneTitle", "cloneContent", "MBRConverterPage", "mbrTitle", "mbrContent",
                                 "btnHelp", "btnMenu"})
            QVERIFY2(m_window->findChild<QWidget *>(QString::fromLatin1(name)), name);

        auto *stack = m_window->findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
        QCOMPARE(stack->count(), 3);
        QCOMPARE(stack->currentIndex(), 0);
        auto *actions = m_window->findChild<QListWidget *>(QStringLiteral("rightPanel"));
        QStringList rows;
        for (int i = 0; i < actions->count(); ++i)
            rows << actions->item(i)->text();
        QCOMPARE(rows, (QStringList{"↔️ Resize/Move", "➕ New", "🔗 Merge", "📁 Format", "🗑️ Delete", "🔀 Split"}));
        QCOMPARE(titleBar()->height(), 43);
    }

    // The window follows the cursor's displacement, whatever the press point was.
    void dragging_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QPoint>("displacement");
        QTest::newRow("right and down") << QPoint(300, 20) << QPoint(37, 12);
        QTest::newRow("left and up") << QPoint(500, 10) << QPoint(-80, -25);
        QTest::newRow("on the title text") << QPoint(60, 20) << QPoint(5, 200);
    }

    void dragging()
    {
        QFETCH(QPoint, press);
        QFETCH(QPoint, displacement);
        CustomTitleBar *bar = titleBar();
        m_window->move(100, 80);
        const QPoint start = m_window->pos();
        const QPoint cursor = bar->mapToGlobal(press);

        sendMouse(bar, QEvent::MouseButtonPress, cursor, Qt::LeftButton, Qt::LeftButton);
        sendMouse(bar, QEvent::MouseMove, cursor + displacement / 2, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(m_window->pos(), start + displacement / 2);
        sendMouse(bar, QEvent::MouseMove, cursor + displacement, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(m_window->pos(), start + displacement);

        // Without the left button held nothing follows the cursor.
        sendMouse(bar, QEvent::MouseButtonRelease, cursor + displacement, Qt::LeftButton, Qt::NoButton);
        sendMouse(bar, QEvent::MouseMove, cursor + displacement * 2, Qt::NoButton, Qt::NoButton);
        QCOMPARE(m_window->pos(), start + displacement);
    }

    void pressOnButtonDoesNotDrag()
    {
        auto *help = m_window->findChild<QPushButton *>(QStringLiteral("btnHelp"));
        m_window->move(100, 80);
        const QPoint start = m_window->pos();
        const QPoint at = help->mapToGlobal(help->rect().center());
        sendMouse(help, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        sendMouse(help, QEvent::MouseMove, at + QPoint(40, 40), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(m_window->pos(), start);
        sendMouse(help, QEvent::MouseButtonRelease, at + QPoint(40, 40), Qt::LeftButton, Qt::NoButton);
    }

    void doubleClickKeepsWindowState_data()
    {
        QTest::addColumn<bool>("maximized");
        QTest::newRow("normal") << false;
        QTest::newRow("maximized") << true;
    }

    void doubleClickKeepsWindowState()
    {
        QFETCH(bool, maximized);
        if (maximized)
            m_window->setWindowState(Qt::WindowMaximized);
        const Qt::WindowStates before = m_window->windowState();
        const QRect geometry = m_window->geometry();
        QSignalSpy maximize(titleBar(), &CustomTitleBar::maximizeRequested);
        QTest::mouseDClick(titleBar(), Qt::LeftButton, {}, QPoint(300, 20));
        QCOMPARE(maximize.count(), 1);
        QCOMPARE(m_window->windowState(), before);
        QCOMPARE(m_window->geometry(), geometry);
    }

    void minimiseAndClose()
    {
        QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("btnMinimize")), Qt::LeftButton);
        QVERIFY(m_window->windowState() & Qt::WindowMinimized);

        m_window->showNormal();
        QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("btnClose")), Qt::LeftButton);
        QVERIFY(!m_window->isVisible());
    }

    void helpAndMenu()
    {
        const QUrl help(QStringLiteral("https://tessaline.example/online-help/tessaline.html"));
        const QUrl support(QStringLiteral("https://tessaline.example/support.html"));

        QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("btnHelp")), Qt::LeftButton);
        QCOMPARE(m_browser.urls, QList<QUrl>{help});

        auto *menuButton = m_window->findChild<QToolButton *>(QStringLiteral("btnMenu"));
        QCOMPARE(menuButton->popupMode(), QToolButton::InstantPopup);
        const QList<QAction *> entries = menuButton->menu()->actions();
        QStringList texts;
        for (QAction *a : entries)
            texts << a->text();
        QCOMPARE(texts, (QStringList{"About", "Support", "Help"}));

        entries.at(1)->trigger();
        entries.at(2)->trigger();
        QCOMPARE(m_browser.urls, (QList<QUrl>{help, support, help}));

        MessageBoxAnswerer boxes;
        entries.at(0)->trigger();
        QVERIFY(boxes.waitFor(1));
        QCOMPARE(boxes.at(0).title, QStringLiteral("About"));
        QVERIFY(boxes.at(0).text.startsWith(QStringLiteral("Morvane Tessaline v4.7.3\n\n")));
        QVERIFY(boxes.at(0).text.endsWith(QStringLiteral("Keep your data safe. Keep your disks organized.")));
    }
};

QTEST_MAIN(TestTitleBar)
#include "tst_titlebar.moc"
