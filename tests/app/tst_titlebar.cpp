// The frame: title bar dragging and buttons, the menu, the web pages, the action list.
#include "app/customtitlebar.h"
#include "app/mainwindow.h"
#include "common/records.h"
#include "support/messageboxanswerer.h"
#include "support/testmachine.h"

#include <QDesktopServices>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
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

// `global` is where the cursor is on the screen; the window moves under it while dragging.
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
    template <typename T = QPushButton>
    T *named(const char *name) { return m_window->findChild<T *>(QLatin1String(name)); }

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
        m_window->move(100, 80);
        m_browser.urls.clear();
    }

    void cleanup() { m_window.reset(); }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }

    // The window follows the cursor's displacement, and only while the left button is held
    // down on the bar itself.
    void dragging()
    {
        CustomTitleBar *bar = titleBar();
        bar->setMouseTracking(true); // else Qt alone would keep moves without a button away
        const QPoint start = m_window->pos();
        const QPoint cursor = bar->mapToGlobal(QPoint(300, 20));
        const QPoint displacement(-80, 25);
        sendMouse(bar, QEvent::MouseButtonPress, cursor, Qt::LeftButton, Qt::LeftButton);
        sendMouse(bar, QEvent::MouseMove, cursor + displacement / 2, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(m_window->pos(), start + displacement / 2);
        sendMouse(bar, QEvent::MouseMove, cursor + displacement, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(m_window->pos(), start + displacement);

        sendMouse(bar, QEvent::MouseButtonRelease, cursor + displacement, Qt::LeftButton, Qt::NoButton);
        sendMouse(bar, QEvent::MouseMove, cursor + displacement * 2, Qt::NoButton, Qt::NoButton);
        QCOMPARE(m_window->pos(), start + displacement);

        QPushButton *help = named("btnHelp");
        const QPoint at = help->mapToGlobal(help->rect().center());
        sendMouse(help, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        sendMouse(help, QEvent::MouseMove, at + QPoint(40, 40), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(m_window->pos(), start + displacement);
        sendMouse(help, QEvent::MouseButtonRelease, at + QPoint(40, 40), Qt::LeftButton, Qt::NoButton);
    }

    // The signal goes out, but nothing maximises or restores the frameless window.
    void doubleClickKeepsWindowState()
    {
        QSignalSpy maximize(titleBar(), &CustomTitleBar::maximizeRequested);
        for (Qt::WindowState state : {Qt::WindowNoState, Qt::WindowMaximized}) {
            m_window->setWindowState(state);
            const QRect geometry = m_window->geometry();
            QTest::mouseDClick(titleBar(), Qt::LeftButton, {}, QPoint(300, 20));
            QCOMPARE(m_window->windowState(), state);
            QCOMPARE(m_window->geometry(), geometry);
        }
        QCOMPARE(maximize.count(), 2);
    }

    void minimiseAndClose()
    {
        QTest::mouseClick(named("btnMinimize"), Qt::LeftButton);
        QVERIFY(m_window->windowState() & Qt::WindowMinimized);
        m_window->showNormal();
        QTest::mouseClick(named("btnClose"), Qt::LeftButton);
        QVERIFY(!m_window->isVisible());
    }

    void helpAndMenu()
    {
        const QUrl help(QStringLiteral("https://tessaline.example/online-help/tessaline.html"));
        const QUrl support(QStringLiteral("https://tessaline.example/support.html"));
        QTest::mouseClick(named("btnHelp"), Qt::LeftButton);
        QCOMPARE(m_browser.urls, QList<QUrl>{help});

        // About, Support, Help
        const QList<QAction *> entries = named<QToolButton>("btnMenu")->menu()->actions();
        entries.at(1)->trigger();
        entries.at(2)->trigger();
        QCOMPARE(m_browser.urls, (QList<QUrl>{help, support, help}));

        MessageBoxAnswerer boxes;
        entries.at(0)->trigger();
        QVERIFY(boxes.waitFor(1));
        QCOMPARE(boxes.at(0).title, QStringLiteral("About"));
        QVERIFY(boxes.at(0).text.startsWith(QStringLiteral("Morvane Tessaline v4.7.3\n\n")));
    }
};

QTEST_MAIN(TestTitleBar)
#include "tst_titlebar.moc"
