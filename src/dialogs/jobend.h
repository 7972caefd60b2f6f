#pragma once

#include <QString>

#include <memory>

class DiskOperationWorker;
class QObject;
class QWidget;

// Every job's end is shown one way: a box whose text says what happened and the state the disk
// is in, and whose "Show Details" lists the steps the job took as its report tells them (and the
// tool's transcript where there is one), in the user's language.
namespace jobend {

// `okStyle`: a style sheet for the OK button, for a dialog that colours its buttons.
void show(QWidget *parent, bool success, const QString &title, const QString &text, const QString &details,
          const QString &okStyle = QString());

// Gathers what `worker` reports of its jobs from now on (while `receiver` lives), for the box
// above.
std::shared_ptr<QString> collect(DiskOperationWorker *worker, QObject *receiver);

} // namespace jobend
