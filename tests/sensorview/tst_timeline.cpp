#include "timeaxis.h"
#include "timeline.h"
#include "testsupport.h"

#include <cmath>
#include <limits>

// The time axis and the timeline's ticks, without a window.

class tst_Timeline : public QObject
{
    Q_OBJECT

private slots:
    void mapping_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("time");
        QTest::addColumn<int>("x");
        QTest::newRow("plain") << 0.5 << 10.0 << 100.0 << 40;
        QTest::newRow("truncated, not rounded") << 0.5 << 0.0 << 1.9 << 0;
        QTest::newRow("negative truncates toward zero") << 1.0 << 10.0 << 9.5 << 0;
        QTest::newRow("left of the view") << 1.0 << 100.0 << 50.0 << -50;
        // A wild record's time has a place, only not on any screen.
        QTest::newRow("a wild time far right") << 0.01 << 0.0 << 1e300 << TimeAxis::FarthestPixel;
        QTest::newRow("a wild time far left") << 0.01 << 0.0 << -1e300 << -TimeAxis::FarthestPixel;
        QTest::newRow("beyond an int") << 1.0 << 0.0 << 3e9 << TimeAxis::FarthestPixel;
    }

    void mapping()
    {
        QFETCH(double, scale);
        QFETCH(double, offset);
        QFETCH(double, time);
        QFETCH(int, x);
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
        QTest::addColumn<double>("a");
        QTest::addColumn<double>("b");
        QTest::addColumn<double>("end");
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("offset");
        QTest::newRow("a selection, either way round") << 3000.0 << 1000.0 << 9000.0 << 0.4 << 400.0;
        QTest::newRow("no selection: everything") << 500.0 << 500.0 << 8000.0 << 0.1 << 0.0;
        QTest::newRow("little data: at least the shortest end") << 0.0 << 0.0 << 10.0 << 8.0 << 0.0;
        QTest::newRow("a tiny selection: the zoom limit") << 0.0 << 0.2 << 10.0 << double(TimeAxis::MaximumScale) << 0.0;
    }

    void fitted()
    {
        QFETCH(double, a);
        QFETCH(double, b);
        QFETCH(double, end);
        QFETCH(double, scale);
        QFETCH(double, offset);
        const TimeAxis axis = TimeAxis::fitted(a, b, 0.1, end, 100.0, 800);
        QCOMPARE(axis.scale, scale);
        QCOMPARE(axis.offset, offset);
    }

    void following_data()
    {
        QTest::addColumn<double>("newest");
        QTest::addColumn<double>("span");
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("offset");
        // The axis before: 0.1 px/ms scrolled by 1000 px, 800 px wide.
        QTest::newRow("a 10 s window: 10 s across, newest last") << 50000.0 << 10000.0 << 0.08 << 3201.0;
        QTest::newRow("a time between pixels still on the last") << 12345.67 << 10000.0 << 0.08 << 188.0;
        QTest::newRow("a window shorter than the zoom allows") << 100.0 << 0.01 << double(TimeAxis::MaximumScale) << 99201.0;
        QTest::newRow("no window, newest in sight: stays") << 15000.0 << 0.0 << 0.1 << 1000.0;
        QTest::newRow("no window, newest past the edge: 100 px inside") << 30000.0 << 0.0 << 0.1 << 2301.0;
        QTest::newRow("no window, newest left of the view") << 5000.0 << 0.0 << 0.1 << -199.0;
        QTest::newRow("a time that is no number moves nothing") << std::nan("") << 10000.0 << 0.1 << 1000.0;
    }

    void following()
    {
        QFETCH(double, newest);
        QFETCH(double, span);
        QFETCH(double, scale);
        QFETCH(double, offset);
        const TimeAxis axis = TimeAxis{0.1, 1000.0}.following(newest, span, 800, 100);
        QCOMPARE(axis.scale, scale);
        QCOMPARE(axis.offset, offset);
        if (std::isfinite(newest) && span > 0)
            QCOMPARE(axis.xOf(newest), 799);
        else if (std::isfinite(newest))
            QVERIFY(axis.xOf(newest) >= 0 && axis.xOf(newest) <= 799);
    }

    void tickStep_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("distance");
        QTest::addColumn<double>("step");
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("firstTick");
        QTest::addColumn<QString>("label");
        QTest::newRow("0.01 px/ms") << 0.01 << 80 << 10000.0 << 0.0 << -10000.0 << "10 s";
        QTest::newRow("1 px/ms") << 1.0 << 80 << 100.0 << 0.0 << -100.0 << "100 ms";
        QTest::newRow("scrolled to 25 s") << 0.01 << 80 << 10000.0 << 250.0 << 10000.0 << "10 s";
        QTest::newRow("seconds truncate") << 0.04 << 20 << 500.0 << 100.0 << 2000.0 << "2 s";
    }

    void tickStep()
    {
        QFETCH(double, scale);
        QFETCH(int, distance);
        QFETCH(double, step);
        QFETCH(double, offset);
        QFETCH(double, firstTick);
        QFETCH(QString, label);
        QCOMPARE(Timeline::tickStep(scale, distance), step);
        QCOMPARE(Timeline::firstTick(offset, scale, step), firstTick);
        QCOMPARE(Timeline::tickLabel(firstTick == 2000.0 ? 2500.0 : step, scale), label);
        QCOMPARE(Timeline::tickLabel(0, scale), QStringLiteral("0"));
    }
};

QTEST_APPLESS_MAIN(tst_Timeline)
#include "tst_timeline.moc"
#include "testsupport.h"
