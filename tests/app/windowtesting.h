#pragma once

// Helpers for tests of the main window: the status popup, the window's delays, the tree.

#include "app/mainwindow.h"
#include "support/testmachine.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <functional>
#include <memory>

// Records the text of every status popup the window shows.
struct PopupRecorder : QObject
{
    PopupRecorder() { qApp->installEventFilter(this); } // removed again when destroyed
    QStringList texts;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *label = qobject_cast<QLabel *>(watched);
        if (label && event->type() == QEvent::Show && label->objectName() == QLatin1String("loadingPopup"))
            texts << label->text();
        return false;
    }
};

// Takes over the window's delays: records each nominal length and runs the task on the next turn
// of the event loop, so schedules of seconds run in milliseconds. Must not outlive the window.
struct ScheduleRecorder
{
    explicit ScheduleRecorder(MainWindow &window)
    {
        window.setScheduler([this, &window](int nominalMs, std::function<void()> task) {
            delays << nominalMs;
            QTimer::singleShot(0, &window, std::move(task));
        });
    }
    QList<int> delays;
};

template <typename T>
T *child(QObject &parent, const char *name)
{
    return parent.findChild<T *>(QLatin1String(name));
}

inline QTreeWidget *treeOf(MainWindow &window)
{
    return window.findChild<QTreeWidget *>(QStringLiteral("treeWidget"));
}

// The row whose stored id is `id` ("0:4", "unallocated"), or null.
inline QTreeWidgetItem *itemWithId(QTreeWidget *tree, const QString &id)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toString() == id)
            return *it;
    return nullptr;
}

// Shows the window; true once its first refresh has filled the tree and its popup is gone.
inline bool waitUntilReady(MainWindow &window)
{
    window.show();
    return QTest::qWaitFor([&] {
        const auto *popup = window.findChild<QLabel *>(QStringLiteral("loadingPopup"));
        return treeOf(window)->topLevelItemCount() > 0 && !(popup && popup->isVisible());
    });
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
    QObject guard; // when no menu opens, the answer must not run later
    QTimer::singleShot(0, &guard, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        seen = menu;
        if (!menu)
            return;
        if (QAction *action = pick(menu)) {
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            menu->close();
        }
    });
    emit tree->customContextMenuRequested(tree->visualItemRect(item).center());
    return seen;
}

// Opens a main window on the machine the test has written; true once its first refresh has ended.
inline bool openWindow(std::unique_ptr<MainWindow> &window)
{
    registerRecordMetaTypes();
    window = std::make_unique<MainWindow>();
    return waitUntilReady(*window);
}

// The rows of the window's action list.
enum ActionRow { ResizeRow, NewRow, MergeRow, FormatRow, DeleteRow, SplitRow };

// Clicks `action` in the action list, for the tree's current row.
inline void clickAction(MainWindow &window, ActionRow action)
{
    auto *list = child<QListWidget>(window, "rightPanel");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(action)).center());
}

// Selects the row reading `text`, clicks `action` and returns the dialog it opened, if any.
inline void selectRow(MainWindow &window, const QString &text)
{
    QTreeWidget *tree = treeOf(window);
    tree->setCurrentItem(tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0));
}

template <typename Dialog>
Dialog *actOn(MainWindow &window, const QString &text, ActionRow action)
{
    selectRow(window, text);
    clickAction(window, action);
    return window.findChild<Dialog *>();
}

// What every window test holds: its machine, the window on it and the window's tree.
struct WindowFixture
{
    std::unique_ptr<TestMachine> m_machine;
    std::unique_ptr<MainWindow> m_window;
    QTreeWidget *m_tree = nullptr;

    // The window on the machine written; true once its first refresh has ended.
    bool showWindow()
    {
        const bool ready = openWindow(m_window);
        m_tree = treeOf(*m_window);
        return ready;
    }
    // The window goes before the machine it reads.
    void closeWindow()
    {
        m_window.reset();
        m_machine.reset();
    }
};
