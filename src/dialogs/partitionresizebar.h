#pragma once

#include <QString>
#include <QWidget>

// A horizontal bar showing a partition's new size (the blue part, from the start value to the
// end value) against the space up to the maximum (the hatched rest), with one round handle at
// the end value that the user drags. Values are whole units (the resize dialog uses MB); the
// positions are computed in double precision, so multi-terabyte sizes in MB place correctly.
class PartitionResizeBar : public QWidget
{
    Q_OBJECT

public:
    explicit PartitionResizeBar(QWidget *parent = nullptr);

    void setRange(int minimum, int maximum);
    // Start bounded to the range; end at most the maximum but at least the start. No signal.
    void setValues(int start, int end);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int startValue() const { return m_start; }
    int endValue() const { return m_end; }

    // Where the bar's parts fall for the current size and values, as the painting uses them.
    struct Layout
    {
        int trackLeft = 0;   // x of the minimum
        int trackWidth = 0;  // pixels from the minimum to the maximum
        int top = 0;         // the bar is 34 pixels tall from here
        int usedWidth = 0;   // the blue part, from trackLeft
        int restWidth = 0;   // the hatched part after it
        int handleX = 0;     // centre of the handle
        QString usedText;    // "48.8 GB"
        QString restText;    // "Unallocated space 19.5 GB", empty when the rest is too narrow
    };
    Layout layout() const;
    // The handle's press and hover area.
    QRect handleHitRect() const;
    int valueToX(int value) const;

signals:
    void valuesChanged(int start, int end);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int m_minimum = 0;
    int m_maximum = 100;
    int m_start = 20;
    int m_end = 80;
    int dragState = 0; // 0 idle, 2 dragging the end handle
    int dragOffset = 0; // pointer x minus the handle's centre at the press
};
