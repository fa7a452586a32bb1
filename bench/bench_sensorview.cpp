// The sensor view at work, through its public interface only:
//   build/bench/bench_sensorview [SECONDS]
// - live input: 200,000 records a second in chunks of 100 lines through
//   appendText, with the longest event loop stall while the view follows;
// - Delete, Undo and Redo on a 1,000,000-record store, and the memory that
//   ten undo steps hold.
//   build/bench/bench_sensorview hostile
// - files a view must open quickly however they look: many names, very wide
//   lines, times running backwards, random bytes; timed from loadFile to the
//   view painted.
//   build/bench/bench_sensorview wide VALUES
// - one record of VALUES values: its opening, its memory, and the commands
//   that walk it.

#include "benchsupport.h"
#include "sensorview.h"

// To place the selection, which the interface only moves by samples.
#include "graphview.h"
#include "sensorviewx.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <memory>

namespace {

constexpr int LinesPerChunk = 100;
constexpr int RecordsPerSecond = 200000;
constexpr int TickMs = 5;


QString chunk(qint64 first)
{
    static const char *const names[] = {"accel", "gyro", "baro"};
    QString text;
    text.reserve(LinesPerChunk * 40);
    for (qint64 i = first; i < first + LinesPerChunk; ++i) {
        const double t = double(i) / RecordsPerSecond;
        text += QStringLiteral("%1;%2;%3;%4\n")
                    .arg(QLatin1String(names[i % 3]))
                    .arg(t, 0, 'f', 6)
                    .arg(std::sin(t * 3), 0, 'f', 4)
                    .arg(std::cos(t * 2), 0, 'f', 4);
    }
    return text;
}

void liveInput(int seconds)
{
    std::unique_ptr<SensorView> view(createSensorView());
    view->resize(1200, 600);
    view->show();
    // Prepared ahead, so that the measurement is of the view alone.
    // At most this many chunks a tick, so that catching up after a slow
    // moment cannot itself hold the loop.
    const int mostChunksPerTick = 4 * RecordsPerSecond / LinesPerChunk * TickMs / 1000;
    std::vector<QString> chunks;
    for (int i = 0; i < 200; ++i)
        chunks.push_back(chunk(qint64(i) * LinesPerChunk));

    qint64 sent = 0;
    QElapsedTimer clock;
    QElapsedTimer sinceBeat;
    qint64 longest = 0;
    QTimer feeder;
    QTimer heartbeat;
    QObject::connect(&feeder, &QTimer::timeout, [&]() {
        // Catch up with the wall clock: the rate holds even if ticks slip.
        const qint64 due = clock.elapsed() * RecordsPerSecond / 1000;
        for (int n = 0; sent < due && n < mostChunksPerTick; ++n) {
            QString text = chunks[size_t((sent / LinesPerChunk) % qint64(chunks.size()))];
            // Times go on increasing: shift the prepared chunk's times.
            view->appendText(sent < qint64(chunks.size()) * LinesPerChunk ? text : chunk(sent));
            sent += LinesPerChunk;
        }
    });
    QObject::connect(&heartbeat, &QTimer::timeout, [&]() {
        const qint64 gap = sinceBeat.restart();
        if (gap > 50 && qEnvironmentVariableIsSet("VESTRA_BENCH_TRACE"))
            std::fprintf(stderr, "gap %lld ms at %lld records\n", static_cast<long long>(gap), static_cast<long long>(sent));
        longest = std::max(longest, gap);
    });
    clock.start();
    sinceBeat.start();
    feeder.start(TickMs);
    heartbeat.start(10);
    while (clock.elapsed() < seconds * 1000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    feeder.stop();
    heartbeat.stop();
    const double lastShown = view->selectionEnd();
    const double lastSent = double(sent - 1) / RecordsPerSecond;
    std::printf("live input for %d s: %lld records (%.0f a second)\n", seconds, static_cast<long long>(sent),
                sent / (clock.elapsed() / 1000.0));
    std::printf("%-58s %9lld ms\n", "longest gap between 10 ms ticks", static_cast<long long>(longest));
    std::printf("%-58s %9.3f s behind the last record sent\n", "the view's cursor follows the end", lastSent - lastShown);
}

void history()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("recording.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return;
        QByteArray text;
        char line[96];
        for (int i = 0; i < 1000000; ++i) {
            // A record every millisecond, 1,000 seconds in all.
            const int n = std::snprintf(line, sizeof line, "s%d;%.3f;%.4f;%.4f;%.4f\n", i % 4, i * 0.001,
                                        std::sin(i * 0.001), std::cos(i * 0.002), 0.5);
            text.append(line, n);
        }
        file.write(text);
    }
    std::unique_ptr<SensorView> view(createSensorView());
    view->resize(1200, 600);
    const double before = Bench::residentMegabytes();
    view->loadFile(path, 0);
    const double store = Bench::residentMegabytes() - before;
    std::printf("store: %d signals\n", view->signalCount());

    std::vector<double> erase, undo, redo;
    auto *x = static_cast<SensorViewX *>(view.get());
    for (int step = 0; step < 10; ++step) {
        // A tenth of a second from the middle of the recording.
        x->graph()->setAnchorTime(400000 + step * 1000);
        x->graph()->setCursorTime(400100 + step * 1000);
        const int records = x->signalData()->recordCount();
        QElapsedTimer clock;
        clock.start();
        view->execute(Delete);
        erase.push_back(clock.nsecsElapsed() / 1e6);
        if (x->signalData()->recordCount() >= records)
            std::printf("Delete at step %d removed nothing (%d records)!\n", step, records);
    }
    const double withHistory = Bench::residentMegabytes() - before;
    for (int step = 0; step < 5; ++step) {
        QElapsedTimer clock;
        clock.start();
        view->execute(Undo);
        undo.push_back(clock.nsecsElapsed() / 1e6);
        clock.restart();
        view->execute(Redo);
        redo.push_back(clock.nsecsElapsed() / 1e6);
    }
    Bench::report("Delete", erase);
    Bench::report("Undo of a Delete", undo);
    Bench::report("Redo of a Delete", redo);
    std::printf("%-58s %9.1f MB\n", "the store's own memory", store);
    std::printf("%-58s %9.1f MB (%.2f times the store)\n", "memory with ten undo steps", withHistory,
                withHistory / store);
}

// Loads the file into `view` and paints it; returns the seconds taken.
double openAndPaint(SensorView &view, const QString &path, bool *opened)
{
    view.resize(1200, 600);
    view.show();
    QApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    *opened = view.loadFile(path, 0);
    view.repaint();
    QApplication::processEvents();
    return clock.nsecsElapsed() / 1e9;
}

void hostileLoads()
{
    QTemporaryDir dir;
    const auto write = [&dir](const char *name, const QByteArray &bytes) {
        QFile file(dir.filePath(QLatin1String(name)));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    };
    QByteArray names;
    for (int i = 0; i < 10000; ++i)
        names += "signal" + QByteArray::number(i) + ";" + QByteArray::number(i * 0.01) + ";1\n";
    QByteArray wide = "wide;0";
    for (int i = 0; i < MostValuesPerRecord; ++i)
        wide += ";" + QByteArray::number(i % 97);
    wide += "\n";
    QByteArray backwards;
    for (int i = 1000000; i > 0; --i)
        backwards += "down;" + QByteArray::number(i * 0.001, 'f', 3) + ";" + QByteArray::number(i % 13) + "\n";
    QByteArray random20(20 * 1000 * 1000, Qt::Uninitialized);
    for (char &c : random20)
        c = char(QRandomGenerator::global()->bounded(256));
    QByteArray printable = random20;
    printable.replace('\0', 'x');
    QByteArray random200;
    for (int i = 0; i < 10; ++i) {
        for (char &c : random20)
            c = char(QRandomGenerator::global()->bounded(256));
        random200 += random20;
    }
    const std::pair<const char *, QString> cases[] = {
        {"10,000 names, a line each", write("names.txt", names)},
        {"one line of 1,000,000 values (the most a record holds)", write("wide.txt", wide)},
        {"1,000,000 records in falling time order", write("backwards.txt", backwards)},
        {"20 MB of random bytes", write("random20.bin", random20)},
        {"20 MB of random bytes without a zero byte", write("printable.bin", printable)},
        {"200 MB of random bytes", write("random200.bin", random200)},
    };
    for (const auto &entry : cases) {
        bool opened = false;
        std::unique_ptr<SensorView> view(createSensorView());
        const double seconds = openAndPaint(*view, entry.second, &opened);
        std::printf("%-58s %9.3f s%s\n", entry.first, seconds, opened ? "" : " (refused)");
        std::fflush(stdout);
    }

    std::unique_ptr<SensorView> view(createSensorView());
    view->resize(1200, 600);
    view->show();
    QString live;
    for (int i = 0; i < 1000; ++i)
        live += QStringLiteral("live%1;%2;1\n").arg(i).arg(i * 0.01);
    QElapsedTimer clock;
    clock.start();
    view->appendText(live);
    view->repaint();
    std::printf("%-58s %9.3f s\n", "live input bringing 1,000 new names", clock.nsecsElapsed() / 1e9);
}

// One record of `values` values: its memory, its opening and the commands
// that walk it.
void wideRecord(int values)
{
    QTemporaryDir dir;
    QByteArray wide = "wide;0";
    for (int i = 0; i < values; ++i)
        wide += ";" + QByteArray::number(i % 97);
    wide += "\nwide;1";
    for (int i = 0; i < values; ++i)
        wide += ";" + QByteArray::number(i % 89);
    wide += "\n";
    const QString path = dir.filePath(QStringLiteral("wide.txt"));
    if (!Bench::writeFile(path, wide))
        return;
    const double before = Bench::residentMegabytes();
    std::unique_ptr<SensorView> view(createSensorView());
    bool opened = false;
    const double seconds = openAndPaint(*view, path, &opened);
    std::printf("one record of %d values: opened in %.3f s%s, %.0f MB more\n", values, seconds,
                opened ? "" : " (refused)", Bench::residentMegabytes() - before);
    const std::pair<const char *, SensorCommand> commands[] = {
        {"Next Sample", NextSample}, {"Go to End", GoToEnd}, {"Previous Sample", PreviousSample},
        {"Select All", SelectAll},   {"Go to Start", GoToStart}};
    for (const auto &command : commands) {
        QElapsedTimer clock;
        clock.start();
        view->execute(command.second);
        view->repaint();
        QApplication::processEvents();
        std::printf("  %-56s %9.1f ms\n", command.first, clock.nsecsElapsed() / 1e6);
    }
    std::printf("  %-56s %9.0f MB\n", "peak memory of the process", Bench::residentMegabytes("VmHWM:"));
}

} // namespace

int main(int argc, char *argv[])
{
    Bench::TracingApplication app(argc, argv);
    if (argc > 2 && QByteArray(argv[1]) == "wide") {
        wideRecord(std::atoi(argv[2]));
        return 0;
    }
    if (argc > 1 && QByteArray(argv[1]) == "hostile") {
        hostileLoads();
        return 0;
    }
    liveInput(argc > 1 ? std::atoi(argv[1]) : 30);
    history();
    return 0;
}
