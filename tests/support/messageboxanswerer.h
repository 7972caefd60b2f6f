#pragma once

// Answers the message boxes a test provokes: while it lives it looks for a new visible QMessageBox
// every few milliseconds, records what it said and clicks the next queued answer, else the
// chooser's, else the box's default button (or its escape button, or its first button). Static
// calls (QMessageBox::warning, ...) run their own event loop, so the answer arrives while the code
// under test waits in that call: boxes.enqueue(QMessageBox::No); act(); QVERIFY(boxes.waitFor(1)).

#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QPushButton>
#include <QQueue>
#include <QTest>
#include <QTimer>

#include <functional>

class MessageBoxAnswerer
{
public:
    struct Box
    {
        QString title;
        QString text;
        QString details; // behind "Show Details"
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };
    using Chooser = std::function<QMessageBox::StandardButton(const Box &)>;

    explicit MessageBoxAnswerer(int intervalMs = 5)
    {
        m_timer.setInterval(intervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

    MessageBoxAnswerer(const MessageBoxAnswerer &) = delete;
    MessageBoxAnswerer &operator=(const MessageBoxAnswerer &) = delete;

    void enqueue(QMessageBox::StandardButton answer) { m_queue.enqueue(answer); }
    // Decides for boxes that no queued answer covers; NoButton falls back to the default.
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }

    const Box &at(int i) const { return m_boxes.at(i); }
    int count() const { return int(m_boxes.size()); }
    QStringList titles() const
    {
        QStringList out;
        for (const Box &b : m_boxes)
            out << b.title;
        return out;
    }

    // Waits (running the event loop) until at least `n` boxes have been answered.
    bool waitFor(int n, int timeoutMs = 5000)
    {
        return QTest::qWaitFor([&] { return count() >= n; }, timeoutMs);
    }

private:
    void poll()
    {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->isVisible() || box->property("answeredByTest").toBool())
                continue;
            box->setProperty("answeredByTest", true);
            answer(box);
            return; // one box per tick: the next one may only appear after this one closes
        }
    }

    void answer(QMessageBox *box)
    {
        Box seen;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.details = box->detailedText();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        if (QPushButton *d = box->defaultButton())
            seen.defaultButton = box->standardButton(d);

        QMessageBox::StandardButton choice = QMessageBox::NoButton;
        if (!m_queue.isEmpty())
            choice = m_queue.dequeue();
        else if (m_chooser)
            choice = m_chooser(seen);

        QAbstractButton *button = choice != QMessageBox::NoButton ? box->button(choice) : nullptr;
        if (!button)
            button = box->defaultButton();
        if (!button)
            button = box->escapeButton();
        if (!button && !box->buttons().isEmpty())
            button = box->buttons().constFirst();
        m_boxes.append(seen);

        if (button)
            button->click();
        else
            box->reject();
    }

    QTimer m_timer;
    QQueue<QMessageBox::StandardButton> m_queue;
    Chooser m_chooser;
    QList<Box> m_boxes;
};
