// Painting the graph's curves at scale: 1200 x 600 pixels, 4 bands of one
// channel with 1,000,000 records each.
//   build/bench/bench_graph
// Prints the full repaint zoomed out to the whole recording, zoomed in to
// 1,000 records per band, and zoomed out with a trigger on every band.

#include "benchsupport.h"
#include "curvepainter.h"
#include "envelope.h"

#include <QGuiApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <cmath>

namespace {

constexpr int Width = 1200;
constexpr int Height = 600;
constexpr int Bands = 4;
constexpr int Records = 1000000;

struct Band
{
    QString name;
    Envelope envelope;
    std::vector<TriggerRun> runs;
};

double paint(QImage &image, const SignalData &store, std::vector<Band> &bands, double scale,
             double offset, bool triggers)
{
    QElapsedTimer clock;
    clock.start();
    image.fill(Qt::white);
    QPainter painter(&image);
    const int bandHeight = Height / Bands;
    for (int b = 0; b < Bands; ++b) {
        Curve curve;
        curve.store = &store;
        curve.series = &store.series(bands[size_t(b)].name);
        curve.channel = 0;
        curve.style = b % 2 == 0 ? int(CurveStyle::Linear) : int(CurveStyle::Steps);
        curve.color = QColor(255, 0, 0);
        curve.band = BandScale::make(curve.series->ranges[0].min, curve.series->ranges[0].max,
                                     b * bandHeight, bandHeight);
        curve.axis = TimeAxis{scale, offset};
        curve.width = Width;
        prepareCurvePainter(painter, curve.color);
        drawCurve(painter, curve, bands[size_t(b)].envelope);
        painter.setRenderHint(QPainter::Antialiasing, false);
        if (triggers) {
            // The runs are found once per trigger setting and data change.
            if (bands[size_t(b)].runs.empty())
                bands[size_t(b)].runs = findTriggerRuns(store, *curve.series, 0, TriggerMode::Above, 0.5);
            drawTriggerRuns(painter, bands[size_t(b)].runs, curve.color, curve.axis, Width, Height);
        }
    }
    painter.end();
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    SignalData store;
    store.reserve(Bands * Records, Bands * Records);
    std::vector<Band> bands(Bands);
    for (int b = 0; b < Bands; ++b)
        bands[size_t(b)].name = QStringLiteral("signal%1").arg(b);
    for (int i = 0; i < Records; ++i) {
        for (int b = 0; b < Bands; ++b) {
            // A slow wave with a little fast ripple, as a sensor reads.
            const double v = std::sin(i * 0.00005 * (b + 1)) + 0.05 * std::sin(i * 0.013);
            store.addRecord(QStringView(bands[size_t(b)].name), i * 1.0, &v, 1);
        }
    }
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    const double whole = double(Width) / Records;

    paint(image, store, bands, whole, 0, false); // builds the envelopes once
    std::vector<double> out, in, triggered;
    for (int run = 0; run < 20; ++run) {
        out.push_back(paint(image, store, bands, whole, 0, false));
        in.push_back(paint(image, store, bands, double(Width) / 1000, 500000 * double(Width) / 1000, false));
        triggered.push_back(paint(image, store, bands, whole, 0, true));
    }
    Bench::report("zoomed out to the whole recording", out);
    Bench::report("zoomed in to 1,000 records per band", in);
    Bench::report("zoomed out, a trigger on every band", triggered);
    if (argc > 1)
        image.save(QString::fromLocal8Bit(argv[1]));
    return 0;
}
