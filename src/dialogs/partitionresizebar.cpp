#include "partitionresizebar.h"

#include "common/sizetext.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int BarHeight = 34;
constexpr int HandleRadius = 10;
constexpr int RestTextMinWidth = 81;
// The track starts past a 1 px frame and half the handle, and ends as far from the right edge.
constexpr int TrackInset = 13;

int trackWidthFor(int widgetWidth)
{
    return widgetWidth - 2 * TrackInset;
}

// Text centred in `rect`; the pen is left off again for the shapes that follow.
void drawCentredText(QPainter &painter, const QRect &rect, int pointSize, bool bold, const QColor &colour,
                     const QString &text)
{
    QFont font = painter.font();
    font.setPointSize(pointSize);
    font.setBold(bold);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(rect, Qt::AlignCenter, text);
    painter.setPen(Qt::NoPen);
}

} // namespace

PartitionResizeBar::PartitionResizeBar(QWidget *parent) : QWidget(parent)
{
    setMinimumHeight(44);
    setMouseTracking(true); // hovering over the handle changes the cursor
}

void PartitionResizeBar::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
    update();
}

void PartitionResizeBar::setValues(int start, int end)
{
    m_start = qBound(m_minimum, start, std::max(m_minimum, m_maximum));
    m_end = std::max(std::min(end, m_maximum), m_start);
    update();
}

int PartitionResizeBar::valueToX(int value) const
{
    if (m_maximum == m_minimum)
        return TrackInset;
    // In double: a width times a value of millions does not fit an int.
    return TrackInset
           + int(double(trackWidthFor(width())) * (double(value) - m_minimum) / (double(m_maximum) - m_minimum));
}

PartitionResizeBar::Layout PartitionResizeBar::layout() const
{
    Layout l;
    l.trackLeft = TrackInset;
    l.trackWidth = trackWidthFor(width());
    l.top = (height() - BarHeight) / 2;
    l.handleX = valueToX(m_end);
    const double span = double(m_maximum) - m_minimum;
    if (span < 1)
        return l;
    l.usedWidth = int((double(m_end) - m_minimum) * l.trackWidth / span);
    l.restWidth = l.trackWidth - l.usedWidth;
    l.usedText = megabytesText(m_end);
    if (l.restWidth >= RestTextMinWidth) {
        const int rest = m_maximum - m_end;
        l.restText = rest < 1024
                         ? tr("Unallocated space %1 MB").arg(rest)
                         : tr("Unallocated space %1 GB").arg(QString::number(rest / 1024.0, 'f', 1));
    }
    return l;
}

QRect PartitionResizeBar::handleHitRect() const
{
    const int hx = valueToX(m_end);
    return QRect(QPoint(hx - 10, height() / 2 - 16), QPoint(hx + 9, height() / 2 + 15));
}

void PartitionResizeBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (double(m_maximum) - m_minimum < 1)
        return;

    const Layout l = layout();
    const int y0 = l.top;
    const int bottom = y0 + BarHeight - 1;
    const int split = l.trackLeft + l.usedWidth;
    painter.setPen(Qt::NoPen);

    if (l.usedWidth >= 1) {
        const QRect used(QPoint(l.trackLeft, y0), QPoint(split - 1, bottom));
        QLinearGradient gradient(used.topLeft(), used.bottomLeft());
        gradient.setColorAt(0, QColor(QStringLiteral("#5BA3F5")));
        gradient.setColorAt(1, QColor(QStringLiteral("#4A90E2")));
        painter.setBrush(gradient);
        painter.drawRoundedRect(used, 16, 16);

        drawCentredText(painter, used, 10, true, QColor(QStringLiteral("#FFFFFF")), l.usedText);
    }

    if (l.restWidth >= 1) {
        const QRect rest(QPoint(split, y0), QPoint(split + l.restWidth - 1, bottom));
        QPainterPath clip;
        clip.addRoundedRect(rest, 16, 16);
        painter.save();
        painter.setClipPath(clip);
        painter.fillRect(rest, QColor(QStringLiteral("#E5E5E5")));
        painter.setPen(QPen(QColor(QStringLiteral("#C0C0C0")), 1));
        const int width = rest.right() - rest.left();
        const int h = rest.bottom() - rest.top();
        for (int i = -(h + 1); i < width + 2 + h; i += 8)
            painter.drawLine(rest.left() + i, rest.bottom(), rest.left() + 1 + i + h, rest.top());
        painter.restore();

        if (!l.restText.isEmpty())
            drawCentredText(painter, rest, 9, false, QColor(QStringLiteral("#666666")), l.restText);
    }

    const int hx = l.handleX;
    painter.setBrush(QColor(0, 0, 0, 30));
    painter.drawEllipse(QPoint(hx + 1, y0 + 18), HandleRadius, HandleRadius);
    painter.setBrush(QColor(QStringLiteral("#2477FF")));
    painter.drawEllipse(QPoint(hx, y0 + 17), HandleRadius, HandleRadius);
    painter.setBrush(Qt::white);
    for (int dx : {-3, 0, 3}) {
        painter.drawEllipse(QPoint(hx + dx, y0 + 14), 2, 2);
        painter.drawEllipse(QPoint(hx + dx, y0 + 20), 2, 2);
        if (dx != 0)
            painter.drawEllipse(QPoint(hx + dx, y0 + 17), 2, 2);
    }
    drawCentredText(painter, QRect(QPoint(hx - 10, y0 + 7), QPoint(hx + 9, y0 + 26)), 8, true, Qt::white,
                    QStringLiteral("⋮⋮"));

    painter.setPen(QPen(QColor(QStringLiteral("#2477FF")), 2));
    painter.drawLine(l.trackLeft, y0 - 2, l.trackLeft, y0 + 36);
}

void PartitionResizeBar::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (handleHitRect().contains(at)) {
        dragState = 2;
        dragOffset = at.x() - valueToX(m_end);
        setCursor(Qt::SizeHorCursor);
    } else {
        dragState = 0;
    }
}

void PartitionResizeBar::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (dragState != 2) {
        setCursor(handleHitRect().contains(at) ? Qt::SizeHorCursor : Qt::ArrowCursor);
        return;
    }
    const int w = trackWidthFor(width());
    const int x = at.x() - dragOffset;
    double v = m_minimum;
    if (w != 0)
        v = std::round(double(x - TrackInset) * (double(m_maximum) - m_minimum) / w + m_minimum);
    const double bounded = std::max(std::min(v, double(m_maximum)), double(m_start) + 1);
    const int newEnd = int(std::min(bounded, double(std::numeric_limits<int>::max())));
    if (newEnd == m_end)
        return;
    m_end = newEnd;
    update();
    emit valuesChanged(m_start, m_end);
}

void PartitionResizeBar::mouseReleaseEvent(QMouseEvent *)
{
    dragState = 0;
    setCursor(Qt::ArrowCursor);
}
