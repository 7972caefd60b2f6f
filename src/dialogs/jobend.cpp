#include "jobend.h"

#include "worker/diskoperationworker.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace jobend {

void show(QWidget *parent, bool success, const QString &title, const QString &text, const QString &details,
          const QString &okStyle)
{
    QMessageBox box(success ? QMessageBox::Information : QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QCoreApplication::translate("JobEnd", "OK"));
    box.button(QMessageBox::Ok)->setStyleSheet(okStyle);
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.exec();
}

std::shared_ptr<QString> collect(DiskOperationWorker *worker, QObject *receiver)
{
    auto details = std::make_shared<QString>();
    QObject::connect(worker, &DiskOperationWorker::jobReported, receiver, [details](const QString &report) {
        if (!details->isEmpty())
            details->append(QLatin1String("\n\n"));
        details->append(report);
    }, Qt::QueuedConnection);
    return details;
}

} // namespace jobend
