#include "timeaxis.h"
#include "testsupport.h"

#include <cmath>
#include <limits>

// The time axis on its own, without a window.

VESTRA_TEST_ROW(MappingRow, double, double, double, int)

VESTRA_TEST_ROW(FittedRow, double, double, double, double, double)

class tst_TimeAxis : public QObject
{
    Q_OBJECT

private slots:
    void mapping_data()
    {
        QTest::addColumn<MappingRow>("row");
        QTest::newRow("plain") << MappingRow{0.5, 10.0, 100.0, 40};
        QTest::newRow("truncated, not rounded") << MappingRow{0.5, 0.0, 1.9, 0};
        QTest::newRow("negative truncates toward zero") << MappingRow{1.0, 10.0, 9.5, 0};
        QTest::newRow("left of the view") << MappingRow{1.0, 100.0, 50.0, -50};
        // A wild record's time has a place, only not on any screen.
        QTest::newRow("a wild time far right") << MappingRow{0.01, 0.0, 1e300, TimeAxis::FarthestPixel};
        QTest::newRow("a wild time far left") << MappingRow{0.01, 0.0, -1e300, -TimeAxis::FarthestPixel};
        QTest::newRow("beyond an int") << MappingRow{1.0, 0.0, 3e9, TimeAxis::FarthestPixel};
    }

    void mapping()
    {
        const auto [scale, offset, time, x] = TestSupport::row<MappingRow>();
        const TimeAxis axis{scale, offset};
        QCOMPARE(axis.xOf(time), x);
        QCOMPARE(axis.exactX(time), time * scale - offset);
        if (std::abs(x) < TimeAxis::FarthestPixel)
            QCOMPARE(axis.timeAt(axis.exactX(time)), time);
    }

    void boundedScale_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("bounded");
        QTest::newRow("inside") << 0.5 << 0.5;
        QTest::newRow("too far in") << 5000.0 << TimeAxis::MaximumScale;
        QTest::newRow("too far out") << 1e-9 << TimeAxis::MinimumScale;
        QTest::newRow("zero") << 0.0 << TimeAxis::MinimumScale;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << TimeAxis::MaximumScale;
        QTest::newRow("not a number") << std::nan("") << TimeAxis::MaximumScale;
    }

    void boundedScale()
    {
        QFETCH(double, scale);
        QFETCH(double, bounded);
        QCOMPARE(TimeAxis::boundedScale(scale), bounded);
    }

    void zoomKeepsTheTimeUnderThePointer_data()
    {
        QTest::addColumn<double>("factor");
        QTest::addColumn<double>("scale");
        QTest::newRow("in") << 1.15 << 0.115;
        QTest::newRow("out") << 1 / 1.15 << 0.1 / 1.15;
        QTest::newRow("in beyond the limit") << 1e9 << TimeAxis::MaximumScale;
    }

    void zoomKeepsTheTimeUnderThePointer()
    {
        QFETCH(double, factor);
        QFETCH(double, scale);
        const TimeAxis axis{0.1, 250};
        const TimeAxis zoomed = axis.zoomedAbout(300, factor);
        QCOMPARE(zoomed.scale, scale);
        QCOMPARE(zoomed.timeAt(300), axis.timeAt(300));
    }

    void offsetShowing_data()
    {
        QTest::addColumn<double>("time");
        QTest::addColumn<double>("offset");
        // Scale 1, offset 1000: pixels 100 to 700 show the times 1100 to 1700.
        QTest::newRow("in sight stays") << 1400.0 << 1000.0;
        QTest::newRow("left of the margin scrolls left") << 900.0 << 800.0;
        QTest::newRow("right of the margin scrolls right") << 2000.0 << 1300.0;
    }

    void offsetShowing()
    {
        QFETCH(double, time);
        QFETCH(double, offset);
        const TimeAxis axis{1.0, 1000};
        QCOMPARE(axis.offsetShowing(time, 100, 700), offset);
    }

    void fitted_data()
    {
        QTest::addColumn<FittedRow>("row");
        QTest::newRow("a selection, either way round") << FittedRow{3000.0, 1000.0, 9000.0, 0.4, 400.0};
        QTest::newRow("no selection: everything") << FittedRow{500.0, 500.0, 8000.0, 0.1, 0.0};
        QTest::newRow("little data: at least the shortest end") << FittedRow{0.0, 0.0, 10.0, 8.0, 0.0};
        QTest::newRow("a tiny selection: the zoom limit") << FittedRow{0.0, 0.2, 10.0, TimeAxis::MaximumScale, 0.0};
    }

    void fitted()
    {
        const auto [a, b, end, scale, offset] = TestSupport::row<FittedRow>();
        const TimeAxis axis = TimeAxis::fitted(a, b, 0.1, end, 100.0, 800);
        QCOMPARE(axis.scale, scale);
        QCOMPARE(axis.offset, offset);
    }
};

QTEST_APPLESS_MAIN(tst_TimeAxis)
#include "tst_timeaxis.moc"
#include "testsupport.h"
