#include "customtitlebar.h"

#include "weblinks.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>

namespace {

// The minimise and close buttons differ only in glyph, name, tooltip and colours.
QPushButton *windowButton(QWidget *parent, const QString &glyph, const QString &objectName, const QString &toolTip,
                          const QString &styleSheet)
{
    auto *button = new QPushButton(glyph, parent);
    button->setObjectName(objectName);
    button->setFixedSize(30, 25);
    button->setToolTip(toolTip);
    button->setStyleSheet(styleSheet);
    return button;
}

} // namespace

CustomTitleBar::CustomTitleBar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("customTitleBar"));
    setFixedHeight(43);
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral(
        "CustomTitleBar {"
        "    background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #ffffff, stop:0.5 #f5f9f5, stop:1 #e8f5e8);"
        "    border-radius: 8px;"
        "    border-top: 1px solid #d0e0d0;"
        "}"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(15, 0, 15, 0);
    layout->setSpacing(8);

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("titleLogo"));
    logo->setFixedSize(28, 28);
    logo->setScaledContents(true);
    logo->setPixmap(QPixmap(QStringLiteral(":/icon/resources/logo.png")));
    logo->setStyleSheet(QStringLiteral("border: none; background: transparent;"));
    layout->addWidget(logo);

    m_titleLabel = new QLabel(tr("Morvane Tessaline"), this);
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_titleLabel->setStyleSheet(
        QStringLiteral("color: #2c3e50; font-size: 14px; font-weight: bold; background: transparent;"));
    layout->addWidget(m_titleLabel);
    layout->addStretch();

    m_helpButton = new QPushButton(this);
    m_helpButton->setObjectName(QStringLiteral("btnHelp"));
    m_helpButton->setFixedSize(30, 30);
    m_helpButton->setToolTip(tr("Help"));
    m_helpButton->setStyleSheet(QStringLiteral(
        "QPushButton#btnHelp { image: url(:/icon/resources/help.png); background: transparent; border: none;"
        " border-radius: 6px; padding: 4px; }"
        "QPushButton#btnHelp:hover { image: url(:/icon/resources/help_hover.png); background: #d0eaff; }"));
    connect(m_helpButton, &QPushButton::clicked, this, &CustomTitleBar::helpRequested);
    layout->addWidget(m_helpButton);

    m_menuButton = new QToolButton(this);
    m_menuButton->setObjectName(QStringLiteral("btnMenu"));
    m_menuButton->setFixedSize(30, 30);
    m_menuButton->setToolTip(tr("More options"));
    m_menuButton->setPopupMode(QToolButton::InstantPopup);
    m_menuButton->setStyleSheet(QStringLiteral(
        "QToolButton#btnMenu { image: url(:/icon/resources/menu.png); background: transparent; border: none;"
        " border-radius: 6px; padding: 4px; }"
        "QToolButton#btnMenu:hover { image: url(:/icon/resources/menu_hover.png); background: #d0eaff; }"
        "QToolButton#btnMenu::menu-indicator { image: none; width: 0px; }"));
    auto *menu = new QMenu(m_menuButton);
    menu->setObjectName(QStringLiteral("titleBarMenu"));
    connect(menu->addAction(tr("About")), &QAction::triggered, this, &CustomTitleBar::aboutRequested);
    connect(menu->addAction(tr("Support")), &QAction::triggered, this,
            [] { QDesktopServices::openUrl(weblinks::support()); });
    connect(menu->addAction(tr("Help")), &QAction::triggered, this, &CustomTitleBar::helpRequested);
    m_menuButton->setMenu(menu);
    layout->addWidget(m_menuButton);

    m_minimizeButton = windowButton(this, QStringLiteral("—"), QStringLiteral("btnMinimize"), tr("最小化"),
        QStringLiteral(
        "QPushButton { background: rgba(255, 255, 255, 70%); color: #2c3e50; font-size: 16px; font-weight: bold;"
        " border: none; border-radius: 4px; }"
        "QPushButton:hover { background: rgba(255, 255, 255, 90%); border: 1px solid #7fb3d3; }"
        "QPushButton:pressed { background: rgba(240, 240, 240, 90%); }"));
    connect(m_minimizeButton, &QPushButton::clicked, this, &CustomTitleBar::onMinimizeClicked);
    layout->addWidget(m_minimizeButton);

    m_closeButton = windowButton(this, QStringLiteral("×"), QStringLiteral("btnClose"), tr("关闭"),
        QStringLiteral(
        "QPushButton { background: #e74c3c; color: white; font-size: 16px; font-weight: bold;"
        " border: none; border-radius: 4px; }"
        "QPushButton:hover { background: #c0392b; border: 1px solid #a93226; }"
        "QPushButton:pressed { background: #a93226; }"));
    connect(m_closeButton, &QPushButton::clicked, this, &CustomTitleBar::onCloseClicked);
    layout->addWidget(m_closeButton);
}

void CustomTitleBar::onMinimizeClicked()
{
    emit minimizeRequested();
}

void CustomTitleBar::onMaximizeClicked()
{
    emit maximizeRequested();
}

void CustomTitleBar::onCloseClicked()
{
    emit closeRequested();
}

void CustomTitleBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragPosition = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CustomTitleBar::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        window()->move(event->globalPosition().toPoint() - m_dragPosition);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void CustomTitleBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Nothing listens to maximizeRequested: the frameless window keeps its size.
    if (event->button() == Qt::LeftButton)
        emit maximizeRequested();
    QWidget::mouseDoubleClickEvent(event);
}
