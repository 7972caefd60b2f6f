#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class DiskOperationWorker;
class QLabel;
class QProgressBar;
class QPushButton;
class QTextEdit;
class QVBoxLayout;

// One bar for a whole create-and-format job (creation 0-60 %, formatting 60-100 %), a headline,
// a status line and a running log; an OK button at the end. It only listens to the worker.
class PartitionProgressDialog : public QDialog
{
    Q_OBJECT

public:
    enum Phase { Creating = 0, Formatting = 1, Finished = 2 };

    explicit PartitionProgressDialog(DiskOperationWorker *worker, QWidget *parent = nullptr);

    int phase() const { return m_phase; }

public slots:
    void updateCreationProgress(int percentage, const QString &message);
    void updateFormatProgress(int current, int total, int currentProgress);
    void onFormatFinished(bool success, const QString &message);
    void onOperationCompleted(bool success, const QString &message);

private:
    void appendLog(const QString &line);

    QVBoxLayout *m_layout = nullptr;
    QLabel *m_headline = nullptr;
    QLabel *m_status = nullptr;
    QProgressBar *m_bar = nullptr;
    QTextEdit *m_log = nullptr;
    std::shared_ptr<QString> m_report = std::make_shared<QString>(); // the job's steps, logged at its end
    QPushButton *m_okButton = nullptr;
    int m_phase = Creating;
    bool m_formatted = false; // a format report arrived: the job put file systems on its partitions
};
