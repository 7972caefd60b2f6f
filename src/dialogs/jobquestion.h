#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <functional>

// A Yes/No question asked while a job runs (whether to cancel or leave it). When the job ends
// while the question is open, the question closes itself as No and the job's result is shown
// right after it: never a result stacked on a question about a job that is over.
class JobQuestion
{
public:
    // Asks with No as the default; No also when the job ended meanwhile.
    QMessageBox::StandardButton ask(QWidget *parent, const QString &title, const QString &text);
    // The job's end: runs `showEnd` now, or, while a question is open, closes it and runs
    // `showEnd` as soon as its own event loop has returned.
    void jobEnded(std::function<void()> showEnd);
    bool isOpen() const { return !m_box.isNull(); }

private:
    QPointer<QMessageBox> m_box;
    std::function<void()> m_pendingEnd;
};
