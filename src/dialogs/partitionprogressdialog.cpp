#include "partitionprogressdialog.h"

#include "jobend.h"
#include "worker/diskoperationworker.h"

#include <QDebug>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

QString barStyle(const char *border, const char *background, const char *from, const char *to)
{
    return QStringLiteral("QProgressBar { border: 2px solid %1; border-radius: 5px; background-color: %2;"
                          " text-align: center; font-weight: bold; height: 25px; }"
                          "QProgressBar::chunk { border-radius: 3px; background-color: qlineargradient("
                          "x1:0, y1:0, x2:1, y2:0, stop:0 %3, stop:1 %4); }")
        .arg(QLatin1String(border), QLatin1String(background), QLatin1String(from), QLatin1String(to));
}

} // namespace

PartitionProgressDialog::PartitionProgressDialog(DiskOperationWorker *worker, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("partitionProgressDialog"));
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(20, 20, 20, 20);
    m_layout->setSpacing(15);

    m_headline = new QLabel(tr("Creating partitions..."), this);
    m_headline->setObjectName(QStringLiteral("headlineLabel"));
    m_headline->setStyleSheet(QStringLiteral("QLabel { font-size: 16px; font-weight: bold; color: #2c3e50; }"));
    m_headline->setAlignment(Qt::AlignCenter);
    m_status = new QLabel(tr("Start creating partitions"), this);
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setStyleSheet(QStringLiteral("QLabel { color: #34495e; margin: 5px 0; }"));
    m_status->setWordWrap(true);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setStyleSheet(barStyle("#bdc3c7", "#ecf0f1", "#3498db", "#2980b9"));
    m_log = new QTextEdit(this);
    m_log->setObjectName(QStringLiteral("logEdit"));
    m_log->setReadOnly(true);
    m_log->setMaximumHeight(150);
    m_log->setStyleSheet(QStringLiteral("QTextEdit { font-family: Consolas, Monaco, monospace; font-size: 12px;"
                                        " color: #2c3e50; background-color: #f8f9fa; border: 1px solid #bdc3c7;"
                                        " border-radius: 5px; padding: 8px; }"));
    m_layout->addWidget(m_headline);
    m_layout->addWidget(m_status);
    m_layout->addWidget(m_bar);
    m_layout->addWidget(m_log);

    setWindowIcon(QIcon(QStringLiteral(":/icon/resources/logo.png")));
    setWindowTitle(tr("Creation progress"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint);
    setModal(true);
    resize(500, 350);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    if (!worker) {
        qWarning() << "PartitionProgressDialog: no worker to follow";
        return;
    }
    m_report = jobend::collect(worker, this); // before the end's connection, so it arrives first
    connect(worker, &DiskOperationWorker::partitionCreationProgress, this,
            &PartitionProgressDialog::updateCreationProgress, Qt::QueuedConnection);
    connect(worker, &DiskOperationWorker::batchFormatProgress, this, &PartitionProgressDialog::updateFormatProgress,
            Qt::QueuedConnection);
    connect(worker, &DiskOperationWorker::partitionCreationCompleted, this,
            &PartitionProgressDialog::onOperationCompleted, Qt::QueuedConnection);
}

void PartitionProgressDialog::appendLog(const QString &line)
{
    m_log->append(line);
    m_log->moveCursor(QTextCursor::End);
}

void PartitionProgressDialog::updateCreationProgress(int percentage, const QString &message)
{
    if (m_phase != Creating) {
        m_phase = Creating;
        m_headline->setText(tr("Creating partitions..."));
    }
    m_bar->setValue(percentage * 60 / 100);
    m_status->setText(tr("Creating partition progress: %1% - %2").arg(percentage).arg(message));
    appendLog(tr("[create] %1% - %2").arg(percentage).arg(message));
}

void PartitionProgressDialog::updateFormatProgress(int current, int total, int currentProgress)
{
    if (m_phase != Formatting) {
        m_phase = Formatting;
        m_headline->setText(tr("Formatting partition..."));
    }
    m_formatted = true;
    if (total > 0)
        m_bar->setValue(current * 40 / total + 60);
    m_status->setText(tr("Formatting progress: %1/%2 (current partition: %3%)").arg(current).arg(total).arg(currentProgress));
    appendLog(tr("[Format] Partition %1/%2 - %3%").arg(current).arg(total).arg(currentProgress));
}

void PartitionProgressDialog::onFormatFinished(bool success, const QString &message)
{
    if (success) {
        m_bar->setValue(100);
        m_status->setText(tr("All partitions formatted"));
        appendLog(tr("[Completed] ✅ %1").arg(message));
    } else {
        m_status->setText(tr("Error occurred during formatting"));
        appendLog(tr("[Error] ❌ %1").arg(message));
    }
}

void PartitionProgressDialog::onOperationCompleted(bool success, const QString &message)
{
    m_phase = Finished;
    if (success) {
        // Without a format phase the new partitions carry no file system yet; say so.
        m_headline->setText(m_formatted ? tr("✅ Partition creation and formatting completed")
                                        : tr("✅ Partitions created (not formatted)"));
        m_bar->setValue(100);
        m_status->setText(tr("All operations completed successfully"));
        m_bar->setStyleSheet(barStyle("#27ae60", "#d5f4e6", "#2ecc71", "#27ae60"));
    } else {
        m_headline->setText(tr("❌ Operation failed"));
        m_status->setText(tr("Error occurred during operation"));
        m_bar->setStyleSheet(barStyle("#e74c3c", "#fadbd8", "#e74c3c", "#c0392b"));
    }
    appendLog(tr("[Final] %1").arg(message));
    if (!m_report->isEmpty())
        appendLog(*m_report); // the steps, as every other job's end box lists them under its details
    if (!m_okButton) {
        m_okButton = new QPushButton(tr("OK"), this);
        m_okButton->setObjectName(QStringLiteral("okButton"));
        m_layout->addWidget(m_okButton);
        connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    }
    m_okButton->show();
    m_okButton->setFocus();
}
