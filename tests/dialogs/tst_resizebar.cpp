// The resize bar: where its parts fall, what it paints, and dragging its handle.
#include "dialogs/partitionresizebar.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// A bar whose track is `track` pixels wide.
void shape(PartitionResizeBar &bar, int track, int minimum, int maximum, int start, int end)
{
    bar.resize(track + 26, 44);
    bar.setRange(minimum, maximum);
    bar.setValues(start, end);
}

QString shade(const QImage &image, int x, int y)
{
    const QColor c = image.pixelColor(x, y);
    if (c.blue() > 200 && c.red() < 120)
        return QStringLiteral("blue");
    if (c.red() >= 0xC0 && c.red() == c.green() && c.green() == c.blue())
        return c.red() > 0xF0 ? QStringLiteral("white") : QStringLiteral("grey");
    return c.name();
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
        QTest::newRow("rest of 81 px: text") << 70000 << 62950 << "719/81 @732 61.5 GB|Unallocated space 6.9 GB";
        QTest::newRow("rest of 80 px: no text") << 70000 << 63000 << "720/80 @733 61.5 GB|";
        QTest::newRow("no rest") << 70000 << 70000 << "800/0 @813 68.4 GB|";
        QTest::newRow("end clamped to the maximum") << 70000 << 90000 << "800/0 @813 68.4 GB|";
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

    // Blue up to the new size, hatched grey after it, the handle on the boundary; nothing at all
    // for an empty range.
    void painting()
    {
        PartitionResizeBar bar;
        shape(bar, 800, 0, 70000, 0, 50000);
        QImage image(bar.size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        bar.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        const int mid = 5 + 17;
        QStringList seen;
        for (int x : {13 + 50, 13 + 560, 584 + 8})
            seen << shade(image, x, mid);
        for (int x = 13 + 600; x < 13 + 608; ++x) // one period of the hatching, above the text
            seen << shade(image, x, 5 + 3);
        seen << shade(image, 13 + 780, mid) << shade(image, 12, 40); // the hatching; the start marker
        seen << shade(image, 13 + 50, 5 + 33) << shade(image, 13 + 50, 5 + 34); // the bar's last row, and below it
        QCOMPARE(seen.join(' '), QStringLiteral("blue blue blue grey grey grey grey grey grey grey grey grey blue blue white"));

        shape(bar, 800, 500, 500, 0, 500);
        image.fill(Qt::white);
        bar.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        for (int x = 0; x < image.width(); x += 7)
            QCOMPARE(shade(image, x, mid), QStringLiteral("white"));
    }

    // Drags by the handle; a press beside it starts none. Values of millions drag correctly.
    void dragging_data()
    {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("pressDx"); // from the handle's centre
        QTest::addColumn<int>("moveToX");
        QTest::addColumn<QString>("expected"); // end values after the move, then the signals

        QTest::newRow("left of the start") << 70000 << 3 << 0 << "5001 | 5000,5001";
        QTest::newRow("past the right end") << 70000 << -4 << 900 << "70000 | 5000,70000";
        QTest::newRow("to the middle") << 70000 << 0 << 413 << "35000 | 5000,35000";
        QTest::newRow("16 TB in MB") << 16777216 << 0 << 613 << "12582912 | 5000,12582912";
        QTest::newRow("press beside the handle") << 70000 << 14 << 413 << "50000 | ";
    }

    void dragging()
    {
        QFETCH(int, maximum);
        QFETCH(int, pressDx);
        QFETCH(int, moveToX);
        PartitionResizeBar bar;
        shape(bar, 800, 0, maximum, 5000, maximum == 70000 ? 50000 : 6000);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QSignalSpy changed(&bar, &PartitionResizeBar::valuesChanged);
        const int hx = bar.layout().handleX;
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
