#include "mainwindow.h"

#include "appresources.h"
#include "customtitlebar.h"
#include "platform/platform.h"
#include "runningjobs.h"
#include "storage/windowsstoragemanager.h"
#include "ui_mainwindow.h"
#include "weblinks.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPainterPath>
#include <QRegion>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    initAppResources();

    // The visible frame is drawn by the window's own widgets.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);

    ui->setupUi(this);

    m_storageManager = new WindowsStorageManager(this);
    m_jobs = new RunningJobs(this);

    setupFrame();

    resize(1150, 785);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move((area.width() - width()) / 2, (area.height() - height()) / 2);
    }

    if (!checkSystemCompatibility())
        return;

    connectSignals();
    initializeStorageManager();
}

MainWindow::~MainWindow()
{
    hideLoading();
    delete ui;
}

void MainWindow::setScheduler(Scheduler scheduler)
{
    m_scheduler = std::move(scheduler);
}

void MainWindow::runLater(int nominalMs, std::function<void()> task)
{
    if (m_scheduler) {
        m_scheduler(nominalMs, std::move(task));
        return;
    }
    QTimer::singleShot(platform::current().scaledMs(nominalMs), this, std::move(task));
}

void MainWindow::setupFrame()
{
    m_titleBar = new CustomTitleBar(this);

    m_centralContent = new QWidget(this);
    m_centralContent->setObjectName(QStringLiteral("centralContentWidget"));
    m_centralContent->setStyleSheet(QStringLiteral(
        "#centralContentWidget {    background: white;    border: 1px solid #d0d0d0;    border-radius: 10px;}"));
    m_centralLayout = new QVBoxLayout(m_centralContent);
    m_centralLayout->setContentsMargins(2, 0, 2, 2);
    m_centralLayout->setSpacing(0);
    m_centralLayout->addWidget(m_titleBar);

    // Taken out first: setCentralWidget would delete the form's widget otherwise.
    if (QWidget *original = takeCentralWidget()) {
        original->setObjectName(QStringLiteral("originalCentralWidget"));
        original->setStyleSheet(QStringLiteral(
            "#originalCentralWidget {"
            "    background: white;"
            "    border-bottom-left-radius: 8px;"
            "    border-bottom-right-radius: 8px;"
            "}"
            "QPushButton {"
            "    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4CAF50, stop:1 #45a049);"
            "    border: 1px solid #45a049;"
            "    color: white;"
            "    font-weight: bold;"
            "    font-size: 12px;"
            "    padding: 6px 12px;"
            "    border-radius: 4px;"
            "    min-width: 60px;"
            "}"
            "QPushButton:hover {"
            "    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #5cbf60, stop:1 #4CAF50);"
            "}"
            "QPushButton:pressed {"
            "    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #3d8b40, stop:1 #357a38);"
            "}"));
        m_centralLayout->addWidget(original);
        // The form's panels reach the bottom edge; the mask keeps them inside the rounded frame.
        original->installEventFilter(this);
    }

    setCentralWidget(m_centralContent);

    connect(m_titleBar, &CustomTitleBar::closeRequested, this, &MainWindow::onTitleBarCloseRequested);
    connect(m_titleBar, &CustomTitleBar::minimizeRequested, this, &MainWindow::onTitleBarMinimizeRequested);

    ui->btnRefresh->setObjectName(QStringLiteral("btnRefresh"));
    m_jobsLabel = new QLabel(ui->statusLabel->parentWidget());
    m_jobsLabel->setObjectName(QStringLiteral("runningJobsLabel"));
    m_jobsLabel->setGeometry(140, 680, 560, 30);
    m_jobsLabel->setStyleSheet(QStringLiteral("QLabel#runningJobsLabel { font-size: 12px; color: #b7791f; background: transparent; }"));
    m_jobsLabel->hide();
    connect(m_jobs, &RunningJobs::changed, this, &MainWindow::onRunningJobsChanged);
    ui->rightPanel->setMinimumWidth(200);
    ui->rightPanel->setMaximumWidth(280);
    ui->treeWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == ui->centralwidget) {
        const QRect r = ui->centralwidget->rect();
        constexpr int radius = 8;
        QPainterPath rounded;
        rounded.addRoundedRect(r, radius, radius);
        QRegion mask(rounded.toFillPolygon().toPolygon());
        mask += QRegion(r.adjusted(0, 0, 0, -radius)); // square top corners under the title bar
        ui->centralwidget->setMask(mask);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::connectSignals()
{
    connect(m_titleBar, &CustomTitleBar::helpRequested, this,
            [] { QDesktopServices::openUrl(weblinks::onlineHelp()); });
    connect(m_titleBar, &CustomTitleBar::aboutRequested, this, &MainWindow::showAbout);
    connect(ui->treeWidget, &QWidget::customContextMenuRequested, this, &MainWindow::onTreeWidgetContextMenu);
    connect(ui->btnRefresh, &QPushButton::clicked, this, &MainWindow::onRefreshClicked);
    connect(ui->rightPanel, &QListWidget::itemClicked, this, &MainWindow::onRightPanelItemClicked);
    connect(ui->treeWidget, &QTreeWidget::currentItemChanged, this, &MainWindow::onRunningJobsChanged);
    connect(m_storageManager, &WindowsStorageManager::operationProgress, this,
            &MainWindow::onStorageOperationProgress);
    connect(m_storageManager, &WindowsStorageManager::operationCompleted, this,
            &MainWindow::onStorageOperationCompleted);
}

bool MainWindow::checkSystemCompatibility()
{
    const platform::WindowsVersion version = platform::current().windowsVersion();
    const bool compatible = version.major > 6 || (version.major == 6 && version.minor >= 2);

    if (compatible) {
        const bool admin = platform::current().isUserAdmin();
        qDebug() << "System compatibility check passed";
        qDebug() << "Windows version:" << QStringLiteral("%1.%2").arg(version.major).arg(version.minor);
        qDebug() << "Administrator privileges:" << (admin ? "Yes" : "No");
        return true;
    }

    QMessageBox::critical(this, tr("System Incompatible"),
                          tr("This application requires Windows 8 or later.\n\n"
                                         "Your system: Windows %1.%2\n"
                                         "Required: Windows 6.2 or later\n\n"
                                         "The Storage Management API is not available on your system.")
                              .arg(version.major)
                              .arg(version.minor));
    runLater(100, [this] { close(); });
    return false;
}

void MainWindow::initializeStorageManager()
{
    showLoading(tr("Initializing Storage Management API..."));

    runLater(100, [this] {
        if (m_storageManager->initialize()) {
            qDebug() << "Storage Management API initialized successfully";
            showLoading(tr("Refreshing disk information..."));
            m_refreshAttempt = 0;
            tryRefreshDiskList();
            return;
        }

        hideLoading();
        QMessageBox::critical(
            this, tr("Initialization Failed"),
            tr("Failed to initialize Windows Storage Management API.\n\n"
                           "Possible causes:\n"
                           "• Insufficient privileges (try running as administrator)\n"
                           "• Windows Management Instrumentation service not running\n"
                           "• Storage Management API not available\n"
                           "• System compatibility issues\n\n"
                           "Please check the following:\n"
                           "1. Run the application as administrator\n"
                           "2. Ensure Windows Management Instrumentation service is running\n"
                           "3. Verify your Windows version is 8 or later"));
        const auto answer = QMessageBox::question(this, tr("Retry Initialization"),
                                                  tr("Would you like to retry the initialization?"),
                                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer == QMessageBox::Yes)
            runLater(1000, [this] { initializeStorageManager(); });
    });
}

void MainWindow::onTitleBarCloseRequested()
{
    close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_jobs->isIdle()) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    if (m_closeWhenIdle)
        return;
    const QList<RunningJobs::Job> running = m_jobs->running();
    if (!running.isEmpty()) {
        QStringList names;
        for (const RunningJobs::Job &job : running)
            names << tr("• %1 (disk %2)").arg(job.operation).arg(job.disk);
        const auto answer = QMessageBox::question(
            this, tr("Jobs still running"),
            tr("Still running:\n%1\n\nA job is never stopped half-way, so that no disk is left half-changed. "
               "Close Tessaline once the running jobs have ended?")
                .arg(names.join(QLatin1Char('\n'))),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        // The last job may have ended while the question was open.
        if (answer != QMessageBox::Yes || m_jobs->isIdle()) {
            if (answer == QMessageBox::Yes)
                close();
            return;
        }
    }
    m_closeWhenIdle = true;
    ui->rightPanel->setEnabled(false);
    onRunningJobsChanged();
}

void MainWindow::onRunningJobsChanged()
{
    const QList<RunningJobs::Job> running = m_jobs->running();
    if (m_closeWhenIdle && m_jobs->isIdle()) {
        close();
        return;
    }
    QStringList names;
    for (const RunningJobs::Job &job : running)
        names << tr("%1 (disk %2)").arg(job.operation).arg(job.disk);
    if (m_closeWhenIdle)
        m_jobsLabel->setText(tr("Closing once the running jobs have ended: %1").arg(names.join(QLatin1String("; "))));
    else
        m_jobsLabel->setText(tr("Running: %1").arg(names.join(QLatin1String("; "))));
    m_jobsLabel->setToolTip(names.join(QLatin1Char('\n')));
    m_jobsLabel->setVisible(!running.isEmpty() || m_closeWhenIdle);

    // The actions say why they will refuse the selected disk.
    const std::optional<RunningJobs::Job> busy = m_jobs->runningOn(selectedDisk());
    for (int row = 0; row < ui->rightPanel->count(); ++row)
        ui->rightPanel->item(row)->setToolTip(busy ? tr("Disk %1 is busy: %2").arg(busy->disk).arg(busy->operation)
                                                   : QString());
}

void MainWindow::onTitleBarMinimizeRequested()
{
    showMinimized();
}

void MainWindow::showAbout()
{
    QMessageBox::about(this, tr("About"),
                       tr("Morvane Tessaline v4.7.3\n\n"
                                      "A powerful, intuitive disk partition manager designed for both beginners "
                                      "and pros. Effortlessly create, resize, merge, split, and format "
                                      "partitions—without data loss or complex steps. Easily manage your drives "
                                      "and optimize your storage space with one simple tool.\n\n"
                                      "Keep your data safe. Keep your disks organized."));
}
