#include "jobquestion.h"

#include <utility>

QMessageBox::StandardButton JobQuestion::ask(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    m_box = &box;
    const int answer = box.exec();
    m_box = nullptr;
    if (!m_pendingEnd)
        return QMessageBox::StandardButton(answer);
    const std::function<void()> showEnd = std::exchange(m_pendingEnd, nullptr);
    showEnd();
    return QMessageBox::No;
}

void JobQuestion::jobEnded(std::function<void()> showEnd)
{
    if (!m_box) {
        showEnd();
        return;
    }
    m_pendingEnd = std::move(showEnd);
    m_box->done(QMessageBox::No);
}
