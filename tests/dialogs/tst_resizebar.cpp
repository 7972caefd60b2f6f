// The resize bar: where its parts fall, what it paints, and dragging its handle.
#include "dialogs/partitionresizebar.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

namespace {

// A bar whose track is `track` pixels wide.
void shape(PartitionResizeBar &bar, int track, int minimum, int maximum, int start, int end)
{
    bar.resize(track + 26, 44);
    bar.setRange(minimum, maximum);
    bar.setValues(start, end);
}

// A paint device that writes down what is drawn on it, one line per shape or text, with the
// brush, pen and font in force; fonts by size and weight only, so no installed family matters.
class PaintRecorder : public QPaintDevice, public QPaintEngine
{
public:
    explicit PaintRecorder(QSize size) : QPaintEngine(AllFeatures), m_size(size) {}

    QStringList lines;

    // The lines as drawn, with each run of parallel hatching lines told by its count and ends.
    QStringList summary() const
    {
        QStringList out;
        for (int i = 0; i < lines.size(); ++i) {
            int j = i;
            while (j + 1 < lines.size() && lines[j + 1].startsWith(QLatin1String("line "))
                   && lines[i].startsWith(QLatin1String("line ")) && pen(lines[j + 1]) == pen(lines[i]))
                ++j;
            if (j == i) {
                out << lines[i];
                continue;
            }
            out << QStringLiteral("%1 lines %2 .. %3 %4")
                       .arg(j - i + 1).arg(lines[i].section(' ', 1, 1), lines[j].section(' ', 1, 1), pen(lines[i]));
            i = j;
        }
        return out;
    }

    QPaintEngine *paintEngine() const override { return const_cast<PaintRecorder *>(this); }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState &state) override
    {
        if (state.state() & DirtyHints)
            m_hints = (state.renderHints() & QPainter::Antialiasing) ? QStringLiteral("antialiased")
                                                                     : QStringLiteral("aliased");
        if (state.state() & DirtyPen)
            m_pen = state.pen();
        if (state.state() & DirtyBrush)
            m_brush = state.brush();
        if (state.state() & DirtyClipPath)
            add(state.clipPath().isEmpty() ? QStringLiteral("unclip")
                                           : QStringLiteral("clip %1").arg(shapeOf(state.clipPath())));
    }
    void drawPath(const QPainterPath &path) override { add(QStringLiteral("%1 %2").arg(shapeOf(path), fill())); }
    void drawRects(const QRectF *rects, int count) override
    {
        for (int i = 0; i < count; ++i)
            add(QStringLiteral("rect %1 %2").arg(box(rects[i]), fill()));
    }
    void drawEllipse(const QRectF &r) override
    {
        add(QStringLiteral("disc (%1,%2) r%3 %4").arg(r.center().x()).arg(r.center().y()).arg(r.width() / 2).arg(fill()));
    }
    void drawLines(const QLineF *l, int count) override
    {
        for (int i = 0; i < count; ++i)
            add(QStringLiteral("line (%1,%2)-(%3,%4) %5")
                         .arg(l[i].x1()).arg(l[i].y1()).arg(l[i].x2()).arg(l[i].y2()).arg(stroke()));
    }
    // The text's horizontal centre tells the rectangle it was centred in, whatever the font.
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        add(QStringLiteral("text \"%1\" %2pt%3 %4 centre %5")
                     .arg(item.text())
                     .arg(item.font().pointSize())
                     .arg(item.font().bold() ? QStringLiteral(" bold") : QString())
                     .arg(m_pen.color().name(QColor::HexArgb))
                     .arg(std::round(2 * (p.x() + item.width() / 2)) / 2));
    }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override { add(QStringLiteral("pixmap")); }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return m_size.width();
        case PdmHeight: return m_size.height();
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        case PdmDevicePixelRatio: return 1;
        case PdmDepth: return 32;
        default: return 96; // dots per inch
        }
    }

private:
    // A change of render hints is written down before the next thing drawn.
    void add(const QString &line)
    {
        if (!m_hints.isEmpty())
            lines << std::exchange(m_hints, QString());
        lines << line;
    }
    static QString pen(const QString &line) { return line.section(' ', 2); }
    static QString box(const QRectF &r)
    {
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
    static QString shapeOf(const QPainterPath &path)
    {
        QPainterPath rounded;
        rounded.addRoundedRect(path.boundingRect(), 16, 16);
        return QStringLiteral("%1 %2").arg(path == rounded ? QStringLiteral("round16") : QStringLiteral("path"),
                                           box(path.boundingRect()));
    }
    QString fill() const
    {
        if (m_brush.style() == Qt::LinearGradientPattern) {
            const auto *g = static_cast<const QLinearGradient *>(m_brush.gradient());
            QStringList stops;
            for (const QGradientStop &stop : g->stops())
                stops << QStringLiteral("%1@%2").arg(stop.second.name()).arg(stop.first);
            return QStringLiteral("gradient (%1,%2)-(%3,%4) %5")
                .arg(g->start().x()).arg(g->start().y()).arg(g->finalStop().x()).arg(g->finalStop().y())
                .arg(stops.join(' '));
        }
        return m_brush.color().name(QColor::HexArgb) + (m_pen.style() == Qt::NoPen ? QString() : QStringLiteral(" ") + stroke());
    }
    QString stroke() const
    {
        if (m_pen.style() == Qt::NoPen)
            return QStringLiteral("nopen");
        return QStringLiteral("pen %1 w%2").arg(m_pen.color().name(QColor::HexArgb)).arg(m_pen.widthF());
    }

    QSize m_size;
    QPen m_pen;
    QBrush m_brush;
    QString m_hints;
};

QStringList paintedBy(PartitionResizeBar &bar)
{
    PaintRecorder recorder(bar.size());
    bar.render(&recorder, QPoint(), QRegion(), QWidget::DrawChildren);
    return recorder.summary();
}

} // namespace

class TestResizeBar : public QObject
{
    Q_OBJECT

private slots:
    void layout_data()
    {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("expected"); // used/rest widths, handle x, texts

        QTest::newRow("70000 MB with 50000 used") << 70000 << 50000 << "571/229 @584 48.8 GB|Unallocated space 19.5 GB";
        QTest::newRow("below a GB") << 70000 << 900 << "10/790 @23 900 MB|Unallocated space 67.5 GB";
        QTest::newRow("one GB, rest in MB") << 1500 << 1024 << "546/254 @559 1.0 GB|Unallocated space 476 MB";
        QTest::newRow("a GB of rest") << 2048 << 1024 << "400/400 @413 1.0 GB|Unallocated space 1.0 GB";
        QTest::newRow("rest of 81 px: text") << 70000 << 62950 << "719/81 @732 61.5 GB|Unallocated space 6.9 GB";
        QTest::newRow("rest of 80 px: no text") << 70000 << 63000 << "720/80 @733 61.5 GB|";
        QTest::newRow("no rest") << 70000 << 70000 << "800/0 @813 68.4 GB|";
        QTest::newRow("end clamped to the maximum") << 70000 << 90000 << "800/0 @813 68.4 GB|";
        QTest::newRow("a range of one MB") << 1 << 1 << "800/0 @813 1 MB|";
        QTest::newRow("16 TB in MB") << 16777216 << 8388608 << "400/400 @413 8192.0 GB|Unallocated space 8192.0 GB";
    }

    void layout()
    {
        QFETCH(int, maximum);
        QFETCH(int, end);
        PartitionResizeBar bar;
        shape(bar, 800, 0, maximum, 0, end);
        const PartitionResizeBar::Layout l = bar.layout();
        QCOMPARE(l.trackLeft, 13);
        QCOMPARE(l.trackWidth, 800);
        QCOMPARE(l.top, 5);
        QTEST(QStringLiteral("%1/%2 @%3 %4|%5").arg(l.usedWidth).arg(l.restWidth).arg(l.handleX).arg(l.usedText, l.restText),
              "expected");
        QCOMPARE(bar.handleHitRect(), QRect(l.handleX - 10, 6, 20, 32));
    }

    // Every shape and text with its colours and fonts: the blue part and its label, the hatched
    // rest clipped to its rounded shape and its label, the handle with its grip, the start marker.
    void paintCommands()
    {
        PartitionResizeBar bar;
        shape(bar, 800, 0, 70000, 0, 50000);
        const QStringList handle = {
            "disc (585,23) r10 #1e000000", "disc (584,22) r10 #ff2477ff",
            "disc (581,19) r2 #ffffffff", "disc (581,25) r2 #ffffffff", "disc (581,22) r2 #ffffffff",
            "disc (584,19) r2 #ffffffff", "disc (584,25) r2 #ffffffff",
            "disc (587,19) r2 #ffffffff", "disc (587,25) r2 #ffffffff", "disc (587,22) r2 #ffffffff",
            "text \"⋮⋮\" 8pt bold #ffffffff centre 584",
            "line (13,3)-(13,41) pen #ff2477ff w2"};
        QCOMPARE(paintedBy(bar), QStringList({
            "antialiased",
            "round16 13,5 571x34 gradient (13,5)-(13,38) #5ba3f5@0 #4a90e2@1",
            "text \"48.8 GB\" 10pt bold #ffffffff centre 298.5",
            "clip round16 584,5 229x34",
            "rect 584,5 229x34 #ffe5e5e5",
            "38 lines (550,38)-(584,5) .. (846,38)-(880,5) pen #ffc0c0c0 w1",
            "unclip",
            "text \"Unallocated space 19.5 GB\" 9pt #ff666666 centre 698.5"}) + handle);

        // Nothing used: no blue part; the hatching reaches the far corner. One pixel left: hatched.
        // Nothing left: no hatched part.
        shape(bar, 804, 0, 70000, 0, 0);
        QCOMPARE(paintedBy(bar).mid(1, 3), QStringList({"clip round16 13,5 804x34", "rect 13,5 804x34 #ffe5e5e5",
                                                        "109 lines (-21,38)-(13,5) .. (843,38)-(877,5) pen #ffc0c0c0 w1"}));
        shape(bar, 800, 0, 800, 0, 799);
        QCOMPARE(paintedBy(bar).at(3), QStringLiteral("clip round16 812,5 1x34"));
        shape(bar, 800, 0, 70000, 0, 70000);
        QCOMPARE(paintedBy(bar).mid(2, 2), QStringList({"text \"68.4 GB\" 10pt bold #ffffffff centre 413",
                                                        "disc (814,23) r10 #1e000000"}));
        // An empty range: nothing at all.
        shape(bar, 800, 500, 500, 0, 500);
        QVERIFY(paintedBy(bar).isEmpty());
    }

    // Drags by the handle; a press beside it, even after a lost release, starts none. Millions drag correctly.
    void dragging_data()
    {
        QTest::addColumn<int>("track");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("pressDx"); // from the handle's centre
        QTest::addColumn<int>("moveToX");
        QTest::addColumn<QString>("expected"); // end values after the move, then the signals

        QTest::newRow("left of the start") << 800 << 70000 << 3 << 0 << "5001 | 5000,5001";
        QTest::newRow("past the right end") << 800 << 70000 << -4 << 900 << "70000 | 5000,70000";
        QTest::newRow("to the middle") << 800 << 70000 << 0 << 413 << "35000 | 5000,35000";
        QTest::newRow("16 TB in MB") << 800 << 16777216 << 0 << 613 << "12582912 | 5000,12582912";
        QTest::newRow("press beside the handle") << 800 << 70000 << 14 << 413 << "50000 | ";
        QTest::newRow("no track: the least size") << 0 << 70000 << 0 << 20 << "5001 | 5000,5001";
    }

    void dragging()
    {
        QFETCH(int, track);
        QFETCH(int, maximum);
        QFETCH(int, pressDx);
        QFETCH(int, moveToX);
        QWidget holder; // a window has a least width on Windows; a child none
        PartitionResizeBar bar(&holder);
        shape(bar, track, 0, maximum, 5000, maximum == 70000 ? 50000 : 6000);
        holder.show();
        QVERIFY(QTest::qWaitForWindowExposed(&holder));
        QSignalSpy changed(&bar, &PartitionResizeBar::valuesChanged);
        const int hx = bar.layout().handleX;
        QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(hx, 22)); // a drag whose release never came
        QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(hx + pressDx, 22));
        QMouseEvent move(QEvent::MouseMove, QPointF(moveToX + pressDx, 22), bar.mapToGlobal(QPointF(moveToX + pressDx, 22)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&bar, &move);
        QStringList signalled;
        for (const QList<QVariant> &args : changed)
            signalled << QStringLiteral("%1,%2").arg(args.at(0).toInt()).arg(args.at(1).toInt());
        QTEST(QStringLiteral("%1 | %2").arg(bar.endValue()).arg(signalled.join(' ')), "expected");
        QCOMPARE(bar.cursor().shape(), pressDx == 14 ? Qt::ArrowCursor : Qt::SizeHorCursor);
        QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(moveToX, 22));
        QCOMPARE(bar.cursor().shape(), Qt::ArrowCursor);
    }
};

QTEST_MAIN(TestResizeBar)
#include "tst_resizebar.moc"
