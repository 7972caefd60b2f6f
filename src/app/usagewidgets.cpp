#include "usagewidgets.h"

#include <QColor>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QVBoxLayout>

int usagePercent(qint64 partitionBytes, qint64 diskBytes)
{
    if (diskBytes <= 0)
        return 0;
    const double percent = static_cast<double>(partitionBytes) * 100.0 / static_cast<double>(diskBytes);
    // A bar outside its range would show as empty; a partition reported larger than its disk
    // (or a negative size) is shown at the nearest end instead.
    return static_cast<int>(qBound(0.0, percent, 100.0));
}

QWidget *createUsageBar(int percent, QWidget *parent)
{
    auto *container = new QWidget(parent);
    container->setStyleSheet(QStringLiteral("background: transparent;"));
    auto *layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *bar = new QProgressBar(container);
    bar->setObjectName(QStringLiteral("usageBar"));
    bar->setRange(0, 100);
    bar->setValue(percent);
    bar->setFixedHeight(10);
    bar->setTextVisible(false);
    bar->setStyleSheet(QStringLiteral(
        "QProgressBar {background: #e3f2fd; border: none; border-radius:4px;} "
        "QProgressBar::chunk {background: #73e3ac; border-radius:4px;}"));

    layout->addStretch(1);
    layout->addWidget(bar);
    layout->addStretch(1);
    return container;
}

QPixmap unallocatedStripPixmap()
{
    QPixmap strip(72, 8);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    for (int x = 0; x <= 64; x += 8)
        painter.fillRect(x, 2, 4, 4, QColor(210, 210, 210));
    return strip;
}

QWidget *createUnallocatedStrip(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QStringLiteral("unallocatedStrip"));
    label->setPixmap(unallocatedStripPixmap());
    label->setAlignment(Qt::AlignCenter);
    return label;
}
