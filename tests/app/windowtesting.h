#pragma once

// Helpers for tests of the main window: the status popup, the window's delays, the tree.

#include "app/mainwindow.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

// Records the text of every status popup the window shows.
class PopupRecorder : public QObject
{
public:
    PopupRecorder() { qApp->installEventFilter(this); }
    ~PopupRecorder() override { qApp->removeEventFilter(this); }
    QStringList texts;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == QLatin1String("loadingPopup"))
            if (auto *label = qobject_cast<QLabel *>(watched))
                texts << label->text();
        return false;
    }
};

// Takes over the window's delays: records each nominal length and runs the task on the next
// turn of the event loop, so schedules of many seconds run in milliseconds.
class ScheduleRecorder
{
public:
    explicit ScheduleRecorder(MainWindow &window)
    {
        QPointer<MainWindow> target(&window);
        window.setScheduler([this, target](int nominalMs, std::function<void()> task) {
            delays << nominalMs;
            if (target)
                QTimer::singleShot(0, target.data(), std::move(task));
        });
    }
    QList<int> delays;
};

inline QTreeWidget *treeOf(MainWindow &window)
{
    return window.findChild<QTreeWidget *>(QStringLiteral("treeWidget"));
}

inline bool loadingPopupVisible(MainWindow &window)
{
    const auto *popup = window.findChild<QLabel *>(QStringLiteral("loadingPopup"));
    return popup && popup->isVisible();
}

// True once the first refresh has filled the tree and its popup is gone.
inline bool waitUntilReady(MainWindow &window)
{
    return QTest::qWaitFor([&] { return treeOf(window)->topLevelItemCount() > 0 && !loadingPopupVisible(window); });
}

inline QStringList childTexts(QTreeWidgetItem *parent)
{
    QStringList out;
    for (int i = 0; i < parent->childCount(); ++i)
        out << parent->child(i)->text(0);
    return out;
}

// Opens the tree's context menu on `item` and hands the open menu to `pick`, which returns the
// action to trigger or null to close it. False when no menu opened.
inline bool useContextMenu(QTreeWidget *tree, QTreeWidgetItem *item, const std::function<QAction *(QMenu *)> &pick)
{
    tree->scrollToItem(item);
    bool seen = false;
    QTimer opener;
    opener.setSingleShot(true);
    QObject::connect(&opener, &QTimer::timeout, &opener, [&] {
        if (!QTest::qWaitFor([] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()); }))
            return;
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        seen = true;
        if (QAction *action = pick(menu)) {
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            menu->close();
        }
    });
    opener.start(0);
    emit tree->customContextMenuRequested(tree->visualItemRect(item).center());
    opener.stop(); // no menu opened: nothing may run later
    return seen;
}
