// The frame: title bar dragging and buttons, the menu, the web pages.
#include "support/guitestmain.h"
#include "app/customtitlebar.h"
#include "app/mainwindow.h"
#include "app/weblinks.h"
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

// One window for all tests, in order; the last closes it.
class TestTitleBar : public QObject
{
    Q_OBJECT

    TestMachine m_machine;
    std::unique_ptr<MainWindow> m_window;
    UrlCatcher m_browser;

    CustomTitleBar *titleBar() { return m_window->findChild<CustomTitleBar *>(); }
    template <typename T = QPushButton>
    T *named(const char *name) { return m_window->findChild<T *>(QLatin1String(name)); }
    // `global` is where the cursor is on the screen; the window moves under it while dragging.
    void send(QEvent::Type type, const QPoint &global, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, QPointF(titleBar()->mapFromGlobal(global)), QPointF(global), button, held, {});
        QApplication::sendEvent(titleBar(), &event);
    }

private slots:
    void initTestCase()
    {
        registerRecordMetaTypes();
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_browser, "open");
        m_machine.setTimeScale(0.01);
        m_machine.addDisk(0, 8 * sim::kGiB);
        QVERIFY(m_machine.write());
        m_window = std::make_unique<MainWindow>();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->move(100, 80);
    }

    // The window follows the cursor's displacement while the left button is held, and only then.
    void dragging()
    {
        titleBar()->setMouseTracking(true); // else Qt alone would keep moves without a button away
        const QPoint start = m_window->pos();
        const QPoint cursor = titleBar()->mapToGlobal(QPoint(300, 20));
        const QPoint displacement(-80, 25);
        send(QEvent::MouseButtonPress, cursor, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, cursor + displacement / 2, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(m_window->pos(), start + displacement / 2);
        send(QEvent::MouseMove, cursor + displacement, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(m_window->pos(), start + displacement);
        send(QEvent::MouseButtonRelease, cursor + displacement, Qt::LeftButton, Qt::NoButton);
        send(QEvent::MouseMove, cursor + displacement * 2, Qt::NoButton, Qt::NoButton);
        QCOMPARE(m_window->pos(), start + displacement);
    }

    // The signal goes out, but nothing maximises or restores the frameless window.
    void doubleClickKeepsWindowState()
    {
        QSignalSpy maximize(titleBar(), &CustomTitleBar::maximizeRequested);
        for (Qt::WindowState state : {Qt::WindowNoState, Qt::WindowMaximized}) {
            m_window->setWindowState(state);
            const Qt::WindowStates before = m_window->windowState(); // Wine without a taskbar adds full screen
            const QRect geometry = m_window->geometry();
            QTest::mouseDClick(titleBar(), Qt::LeftButton, {}, QPoint(300, 20));
            QCOMPARE(m_window->windowState(), before);
            QCOMPARE(m_window->geometry(), geometry);
        }
        QCOMPARE(maximize.count(), 2);
    }

    // Help button, then the menu's About, Support and Help; minimise; close.
    void buttonsAndMenu()
    {
        MessageBoxAnswerer boxes;
        QTest::mouseClick(named("btnHelp"), Qt::LeftButton);
        for (QAction *entry : named<QToolButton>("btnMenu")->menu()->actions())
            entry->trigger();
        QCOMPARE(m_browser.urls, (QList<QUrl>{weblinks::onlineHelp(), weblinks::support(), weblinks::onlineHelp()}));
        QCOMPARE(boxes.titles(), QStringList{"About"});

        QTest::mouseClick(named("btnMinimize"), Qt::LeftButton);
        QVERIFY(m_window->windowState() & Qt::WindowMinimized);
        m_window->showNormal();
        QTest::mouseClick(named("btnClose"), Qt::LeftButton);
        QVERIFY(!m_window->isVisible());
    }
};

TESSALINE_GUI_TEST_MAIN(TestTitleBar)
#include "tst_titlebar.moc"
