// The sensor viewer fed through a pipe, as a user runs it:
//   build/bench/bench_viewer live [SECONDS] [KEEP] [COMMAND...]
// - the bundled sensor demo on its flat-out "Demo Stream" board (or the
//   shell command given) piped into the viewer's standard input reader:
//   records a second taken in, the longest event loop stall, and resident
//   memory at the end; KEEP seconds of live window (0: none);
//   build/bench/bench_viewer budget [SECONDS] [MB]
// - the demo as above for SECONDS (60 unless given) without a live window,
//   live input held to MB megabytes (1024 unless given): memory and the
//   longest stall while the oldest records are dropped;
//   build/bench/bench_viewer bytes [RECORDS]
// - the resident memory a one-value record takes: a file of RECORDS records
//   (10,000,000 unless given) opened in the viewer, against its memory with
//   an empty view;
//   build/bench/bench_viewer names [COUNT]
// - COUNT (100,000 unless given) distinct names arriving live: the longest
//   stall while they arrive and in the three seconds after.

#include "benchsupport.h"
#include "stdinreader.h"
#include "viewerwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

// Builds the demo for the streaming board; its path, or empty on failure.
QString buildDemo(const QTemporaryDir &dir)
{
    const QString folder = Bench::copySensorDemo(dir.path());
    QProcess make;
    make.setWorkingDirectory(folder);
    make.start(QStringLiteral("make"), {QStringLiteral("CARTRIX_BOARD=Demo Stream")});
    if (!make.waitForFinished(60000) || make.exitCode() != 0)
        return QString();
    return folder + QStringLiteral("/sensor_demo.exe");
}

// `budgetMB` of memory for live input; negative keeps the window's own.
int live(int seconds, double keep, const QString &producer, qint64 budgetMB = -1)
{
    QTemporaryDir dir;
    const QString demo = producer.isEmpty() ? buildDemo(dir) : producer;
    if (demo.isEmpty()) {
        std::fprintf(stderr, "could not build the sensor demo\n");
        return 1;
    }
    FILE *pipe = ::popen(QFile::encodeName(demo).constData(), "r");
    if (!pipe)
        return 1;
    ViewerWindow window;
    window.keepLast(keep);
    if (budgetMB >= 0)
        window.setMemoryBudget(budgetMB * 1024 * 1024);
    window.show();
    StdinReader reader(nullptr, pipe);
    qint64 lines = 0;
    LiveFeed feed(reader, [&](const QString &chunk, int unreadable) {
        lines += chunk.count(QLatin1Char('\n'));
        window.appendLive(chunk, unreadable);
    });

    // A timer that should fire every millisecond: the longest gap between
    // two of its shots is the longest the window could not answer.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    qint64 longestAfterEnd = 0;
    qint64 endedAt = -1;
    QObject::connect(&feed, &LiveFeed::inputEnded, &window, [&]() {
        window.liveInputEnded();
        endedAt = clock.elapsed();
        last = endedAt;
    });
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&]() {
        const qint64 now = clock.elapsed();
        qint64 &record = endedAt < 0 ? longest : longestAfterEnd;
        record = std::max(record, now - last);
        last = now;
        if (now >= seconds * 1000)
            QCoreApplication::quit();
    });
    clock.start();
    reader.start();
    probe.start(1);
    QCoreApplication::exec();

    std::printf("live input from %s for %d s%s\n", producer.isEmpty() ? "the demo" : qPrintable(producer), seconds,
                keep > 0 ? qPrintable(QStringLiteral(", keeping the last %1 s").arg(keep)) : "");
    std::printf("  records taken in:      %.0f a second\n", lines * 1000.0 / (endedAt < 0 ? clock.elapsed() : endedAt));
    std::printf("  records held:          %lld\n", static_cast<long long>(holdings(window.view()).records));
    std::printf("  longest stall:         %lld ms\n", static_cast<long long>(longest));
    if (endedAt >= 0)
        std::printf("  input ended at %.1f s; longest stall after: %lld ms\n", endedAt / 1000.0,
                    static_cast<long long>(longestAfterEnd));
    std::printf("  status line:           %s\n", qPrintable(window.statusText()));
    std::printf("  resident memory:       %.0f MB (store %.0f MB), peak %.0f MB\n", Bench::residentMegabytes(),
                holdings(window.view()).bytes / (1024.0 * 1024.0), Bench::residentMegabytes("VmHWM:"));
    std::printf("  dropped for memory:    %lld records\n",
                static_cast<long long>(liveInputCount(window.view()).droppedForMemory));
    std::fflush(stdout);
    reader.stop();
    window.view()->setWindowModified(false);
    std::_Exit(0); // the demo and the reader's blocking read end with us
}

int bytesPerRecord(qint64 records)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("records.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QByteArray block;
        for (qint64 i = 0; i < records; ++i) {
            block += "s;" + QByteArray::number(double(i) / 1000, 'f', 3) + ";" + QByteArray::number(i % 1000) + "\n";
            if (block.size() > (1 << 20)) {
                file.write(block);
                block.clear();
            }
        }
        file.write(block);
    }
    ViewerWindow window;
    window.show();
    QCoreApplication::processEvents();
    const double empty = Bench::residentMegabytes();
    QElapsedTimer clock;
    clock.start();
    if (!window.openFile(path))
        return 1;
    QCoreApplication::processEvents();
    const double loaded = Bench::residentMegabytes();
    std::printf("%lld one-value records opened in %lld ms\n", static_cast<long long>(records),
                static_cast<long long>(clock.elapsed()));
    std::printf("  resident memory:       %.0f MB empty, %.0f MB loaded (store %.0f MB)\n", empty, loaded,
                holdings(window.view()).bytes / (1024.0 * 1024.0));
    std::printf("  bytes a record:        %.1f\n", (loaded - empty) * 1024 * 1024 / records);
    std::fflush(stdout);
    window.view()->setWindowModified(false);
    return 0;
}

// 100,000 distinct names arriving live in reader-sized chunks, as fast as
// the window takes them, then three quiet seconds: the longest stall of
// each stretch.
int manyNames(int names)
{
    ViewerWindow window;
    window.show();
    QCoreApplication::processEvents();
    std::vector<QString> chunks(1);
    for (int i = 0; i < names; ++i) {
        if (chunks.back().size() > 32 * 1024)
            chunks.emplace_back();
        chunks.back() += QStringLiteral("name%1;%2;1\n").arg(i).arg(i * 0.001);
    }
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longestArriving = 0;
    qint64 longestAfter = 0;
    qint64 endedAt = -1;
    size_t next = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&]() {
        const qint64 now = clock.elapsed();
        (endedAt < 0 ? longestArriving : longestAfter) = std::max(endedAt < 0 ? longestArriving : longestAfter, now - last);
        last = now;
        if (next < chunks.size()) {
            window.appendLive(chunks[next++]);
        } else if (endedAt < 0) {
            window.liveInputEnded();
            endedAt = now;
            last = clock.elapsed();
        } else if (now - endedAt > 3000) {
            QCoreApplication::quit();
        }
    });
    clock.start();
    probe.start(1);
    QCoreApplication::exec();
    std::printf("%d names arriving live in %zu chunks over %.1f s\n", names, chunks.size(), endedAt / 1000.0);
    std::printf("  longest stall while they arrive:  %lld ms\n", static_cast<long long>(longestArriving));
    std::printf("  longest stall in 3 s after:       %lld ms\n", static_cast<long long>(longestAfter));
    std::fflush(stdout);
    window.view()->setWindowModified(false);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    Bench::TracingApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("bytes"))
        return bytesPerRecord(args.size() > 1 ? args.at(1).toLongLong() : 10000000);
    if (args.value(0) == QLatin1String("names"))
        return manyNames(args.size() > 1 ? args.at(1).toInt() : 100000);
    if (args.value(0) == QLatin1String("budget"))
        return live(args.size() > 1 ? args.at(1).toInt() : 60, 0.0, QString(),
                    args.size() > 2 ? args.at(2).toLongLong() : 1024);
    if (args.value(0) == QLatin1String("live"))
        return live(args.size() > 1 ? args.at(1).toInt() : 10, args.size() > 2 ? args.at(2).toDouble() : 0.0,
                    args.mid(3).join(QLatin1Char(' ')));
    std::fprintf(stderr, "usage: bench_viewer live [SECONDS] [KEEP] [COMMAND...] | budget [SECONDS] [MB] | bytes [RECORDS] "
                         "| names [COUNT]\n");
    return 2;
}
