#pragma once

#include <QPoint>
#include <QWidget>

class QLabel;
class QPushButton;
class QToolButton;

// The title bar of the frameless main window: logo, product name, help and menu buttons,
// minimise and close, and dragging of the window it belongs to.
class CustomTitleBar : public QWidget
{
    Q_OBJECT

public:
    explicit CustomTitleBar(QWidget *parent = nullptr);

signals:
    void closeRequested();
    void minimizeRequested();
    void maximizeRequested();
    void aboutRequested();
    void helpRequested();

private slots:
    void onMinimizeClicked();
    void onMaximizeClicked();
    void onCloseClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QLabel *m_titleLabel = nullptr;
    QPushButton *m_minimizeButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    QPoint m_dragPosition;
    bool m_dragging = false;
    QPushButton *m_helpButton = nullptr;
    QToolButton *m_menuButton = nullptr;
};
