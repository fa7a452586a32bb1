#include "curvepainter.h"
#include "envelope.h"
#include "testsupport.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

namespace {

constexpr int Width = 600;
constexpr int Height = 200;

SignalData recording(const QString &shape, int count)
{
    SignalData store;
    QRandomGenerator random(7);
    for (int i = 0; i < count; ++i) {
        double v;
        if (shape == QLatin1String("sine"))
            v = std::sin(i * 0.003) * 50 + random.bounded(10.0);
        else if (shape == QLatin1String("steps"))
            v = double((i / 997) % 7) - 3;
        else
            v = (i % 1313 == 0) ? 90.0 : random.bounded(3.0);
        const double t = i * 0.37 + (i % 3) * 0.05;
        store.addRecord(QStringView(u"s"), t, &v, 1);
    }
    return store;
}

QImage paint(const Curve &curve, bool byColumns)
{
    QImage image(Width, Height, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    prepareCurvePainter(painter, curve.color);
    if (byColumns) {
        Envelope envelope;
        envelope.update(*curve.store, *curve.series, curve.channel);
        drawCurveByColumns(painter, curve, envelope);
    } else {
        drawCurveExactly(painter, curve);
    }
    return image;
}

// The rows a column is inked in: from the first to the last pixel that is
// clearly not white.
std::pair<int, int> inkedExtent(const QImage &image, int x)
{
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        if (qGray(image.pixel(x, y)) < 200) {
            if (top < 0)
                top = y;
            bottom = y;
        }
    }
    return {top, bottom};
}

} // namespace

class tst_CurvePainter : public QObject
{
    Q_OBJECT

private slots:
    void bandScale_data()
    {
        QTest::addColumn<bool>("toData");
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<double>("scaleLo");
        QTest::addColumn<double>("scaleHi");
        QTest::addColumn<int>("yZero");
        QTest::newRow("positive values from zero") << false << 2.0 << 8.0 << 0.0 << 8.0 << 205;
        QTest::newRow("negative values symmetric") << false << -3.0 << 8.0 << -8.0 << 8.0 << 155;
        QTest::newRow("all zeros") << false << 0.0 << 0.0 << 0.0 << 1.0 << 205;
        QTest::newRow("all negative") << false << -5.0 << -1.0 << -5.0 << 5.0 << 155;
        QTest::newRow("to data: pressure near 1013") << true << 1012.0 << 1014.0 << 1011.9 << 1014.1 << 205;
        QTest::newRow("to data: one value") << true << 550.0 << 550.0 << 549.0 << 551.0 << 205;
        QTest::newRow("to data: across zero") << true << -3.0 << 8.0 << -3.55 << 8.55 << 175;
        QTest::newRow("to data: all negative") << true << -5.0 << -1.0 << -5.2 << -0.8 << 105;
    }

    // Off, a band's range holds zero; scaled to the data, it is the data's
    // own. Zero's line stays within the band.
    void bandScale()
    {
        QFETCH(bool, toData);
        QFETCH(double, lo);
        QFETCH(double, hi);
        QFETCH(double, scaleLo);
        QFETCH(double, scaleHi);
        QFETCH(int, yZero);
        const BandScale band = toData ? BandScale::toData(lo, hi, 100, 110) : BandScale::make(lo, hi, 100, 110);
        QCOMPARE(band.lo, scaleLo);
        QCOMPARE(band.hi, scaleHi);
        // The top of the range sits 5 px below the band's top, the bottom 5 px
        // above its bottom.
        QCOMPARE(band.y(scaleHi), 105);
        QCOMPARE(band.y(scaleLo), 205);
        QCOMPARE(band.yZero, yZero);
    }

    void columnsShowWhatRecordsShow_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<int>("style");
        QTest::addColumn<double>("scale");
        for (const char *shape : {"sine", "steps", "spikes"}) {
            for (int style = 1; style <= 4; ++style) {
                QTest::addRow("%s style %d zoomed out", shape, style) << shape << style << 0.005;
                QTest::addRow("%s style %d half zoom", shape, style) << shape << style << 0.05;
            }
        }
    }

    void columnsShowWhatRecordsShow()
    {
        QFETCH(QString, shape);
        QFETCH(int, style);
        QFETCH(double, scale);
        const SignalData store = recording(shape, 200000);
        Curve curve;
        curve.store = &store;
        curve.series = &store.series(QStringLiteral("s"));
        curve.channel = 0;
        curve.style = style;
        curve.color = Qt::black;
        curve.band = BandScale::make(curve.series->ranges[0].min, curve.series->ranges[0].max, 0, Height);
        curve.axis = TimeAxis{scale, 20};
        curve.width = Width;

        const QImage exact = paint(curve, false);
        const QImage reduced = paint(curve, true);
        int inked = 0;
        for (int x = 0; x < Width; ++x) {
            const auto a = inkedExtent(exact, x);
            const auto b = inkedExtent(reduced, x);
            QVERIFY2((a.first < 0) == (b.first < 0), qPrintable(QStringLiteral("column %1 inked in one only").arg(x)));
            if (a.first < 0)
                continue;
            ++inked;
            QVERIFY2(std::abs(a.first - b.first) <= 1 && std::abs(a.second - b.second) <= 1,
                     qPrintable(QStringLiteral("column %1: %2-%3 vs %4-%5").arg(x).arg(a.first).arg(a.second).arg(b.first).arg(b.second)));
        }
        QVERIFY(inked > Width / 2);
    }

    void envelopeRanges()
    {
        SignalData store = recording(QStringLiteral("sine"), 5000);
        const SignalSeries &series = store.series(QStringLiteral("s"));
        Envelope envelope;
        envelope.update(store, series, 0);
        QVERIFY(envelope.isComplete());
        QRandomGenerator random(3);
        for (int round = 0; round < 500; ++round) {
            int first = random.bounded(series.size());
            int last = random.bounded(series.size()) + 1;
            if (first >= last)
                std::swap(first, last);
            if (first == last)
                continue;
            double lo;
            double hi;
            envelope.range(store, series, first, last, &lo, &hi);
            double a = INFINITY;
            double b = -INFINITY;
            for (int i = first; i < last; ++i) {
                a = std::min(a, store.value(series, i, 0));
                b = std::max(b, store.value(series, i, 0));
            }
            QCOMPARE(lo, a);
            QCOMPARE(hi, b);
        }
        // Growing at the end extends the pyramid.
        for (int i = 0; i < 3000; ++i) {
            const double v = 1000.0 + i;
            store.addRecord(QStringView(u"s"), 1e9 + i, &v, 1);
        }
        envelope.update(store, store.series(QStringLiteral("s")), 0);
        double lo;
        double hi;
        envelope.range(store, store.series(QStringLiteral("s")), 0, store.series(QStringLiteral("s")).size(), &lo, &hi);
        QCOMPARE(hi, 3999.0);
        // A record without the channel makes it incomplete.
        store.addRecord(QStringView(u"s"), 2e9, nullptr, 0);
        envelope.update(store, store.series(QStringLiteral("s")), 0);
        QVERIFY(!envelope.isComplete());
    }

    void triggerRuns_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("level");
        QTest::addColumn<QString>("runs");
        // Values 1, 6, 7, 2, NaN, 6 at 0, 10, 20, 30, 40, 50 ms; 60 ms has no
        // value for the channel and is not tested.
        QTest::newRow(">= 5") << 6 << 5.0 << "10-30 50-50";
        QTest::newRow("> 6") << 5 << 6.0 << "20-30";
        QTest::newRow("= 6") << 1 << 6.0 << "10-20 50-50";
        QTest::newRow("!= 6 matches NaN") << 2 << 6.0 << "0-10 20-50";
        QTest::newRow("< 2") << 3 << 2.0 << "0-10";
        QTest::newRow("<= 2") << 4 << 2.0 << "0-10 30-40";
        QTest::newRow("mode 0 never") << 0 << 5.0 << "";
        QTest::newRow("mode 7 never") << 7 << 5.0 << "";
    }

    void triggerRuns()
    {
        QFETCH(int, mode);
        QFETCH(double, level);
        QFETCH(QString, runs);
        SignalData store;
        const double values[] = {1, 6, 7, 2, std::nan(""), 6};
        for (int i = 0; i < 6; ++i)
            store.addRecord(QStringView(u"s"), i * 10.0, &values[i], 1);
        store.addRecord(QStringView(u"s"), 60.0, nullptr, 0);
        QStringList found;
        for (const TriggerRun &run : findTriggerRuns(store, store.series(QStringLiteral("s")), 0, TriggerMode(mode), level))
            found << QStringLiteral("%1-%2").arg(run.start).arg(run.end);
        QCOMPARE(found.join(QLatin1Char(' ')), runs);
    }

    void triggerShadingMergesTouchingRuns()
    {
        // Two runs whose columns touch, one that falls inside a single column
        // (no width: nothing shaded) and one further on.
        const std::vector<TriggerRun> runs{{0, 10}, {10, 25}, {26, 26.5}, {40, 50}};
        QImage image(60, 4, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        drawTriggerRuns(painter, runs, Qt::red, TimeAxis{1.0, 0.0}, 60, 4);
        painter.end();
        QString shaded;
        for (int x = 0; x < 60; ++x)
            shaded += image.pixel(x, 2) == qRgb(255, 255, 255) ? QLatin1Char('.') : QLatin1Char('#');
        QCOMPARE(shaded, QStringLiteral("#########################...............##########.........."));
        // One blend over the whole shaded stretch: the same shade everywhere.
        QCOMPARE(image.pixel(3, 2), image.pixel(20, 2));
    }
};

QTEST_MAIN(tst_CurvePainter)
#include "tst_curvepainter.moc"
#include "testsupport.h"
