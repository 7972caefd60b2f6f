#pragma once

// Helpers for tests of the main window: watching the status popup and the window's delays.

#include "app/mainwindow.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QTreeWidget>

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

// Takes over the window's delays: records each nominal length and runs the task at once (on
// the next turn of the event loop), so schedules of many seconds run in milliseconds.
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
    const auto labels = window.findChildren<QLabel *>(QStringLiteral("loadingPopup"));
    for (QLabel *l : labels)
        if (l->isVisible())
            return true;
    return false;
}
