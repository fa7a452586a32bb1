// Endless output: the sensor demo streams as fast as it can into the
// console while a 10 ms timer measures how long the event loop stalls.
//   build/bench/bench_console [SECONDS]
// Prints the longest stall, the lines shown per second, the peak resident
// memory, and how long Stop took.
//
// How long Stop takes for a program that obeys the stop byte, one that
// ignores it and one that ignores SIGTERM too:
//   build/bench/bench_console stop
//
// Run and Plot of the same into a viewer that reads nothing: the editor's
// memory stays bounded, and what waits for the viewer with it:
//   build/bench/bench_console plot [SECONDS]
//
// What finding diagnostics costs alone, on 100 MB of short lines:
//   build/bench/bench_console scan
//
// A flood of a given size instead, without line breaks or in short lines:
//   build/bench/bench_console flood oneline|lines|colons [MEGABYTES]
// Prints when the program ended, how long after that the closing line
// showed, when all was shown, and the longest stall meanwhile.

#include "benchsupport.h"
#include "diagnostics.h"
#include "mainwindow.h"
#include "../tests/app/mainwindowuser.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

namespace {


template<typename Predicate>
bool waitFor(Predicate done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace

// Measures the longest gap between 10 ms ticks while it lives.
struct StallMeter
{
    StallMeter()
    {
        heartbeat.setInterval(10);
        QObject::connect(&heartbeat, &QTimer::timeout, [this]() {
            const qint64 gap = tick.restart();
            if (gap > 95 && qEnvironmentVariableIsSet("VESTRA_BENCH_TRACE"))
                std::fprintf(stderr, "---- stall of %lld ms\n", static_cast<long long>(gap));
            longest = qMax(longest, gap);
        });
        tick.start();
        heartbeat.start();
    }
    QTimer heartbeat;
    QElapsedTimer tick;
    qint64 longest = 0;
};

int flood(const QString &kind, int megabytes)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("flood"));
    QDir().mkpath(folder);
    QFile source(folder + QStringLiteral("/flood.c"));
    source.open(QIODevice::WriteOnly);
    source.write("int main(void) { return 0; }\n");
    source.close();
    const QByteArray bytes = QByteArray::number(qint64(megabytes) * 1000 * 1000);
    // "colons": short lines that look a little like diagnostics, which the
    // search for them reads through.
    const QByteArray line = kind == QLatin1String("colons") ? "step 12:30: value: 5" : "short line of make output";
    const QByteArray producer = kind == QLatin1String("oneline")
                                    ? "head -c " + bytes + " /dev/zero | tr '\\0' x\n"
                                    : "yes '" + line + "' | head -c " + bytes + "\n";
    QFile script(folder + QStringLiteral("/flood.sh"));
    script.open(QIODevice::WriteOnly);
    script.write("#!/bin/sh\n" + producer);
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    QSettings().setValue(QStringLiteral("MakePath"), script.fileName());

    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    window.loadSourceFile(source.fileName());
    QElapsedTimer run;
    run.start();
    StallMeter meter;
    WindowUser::action(window, "actionBuild")->trigger();
    const auto closed = [&]() {
        return WindowUser::console(window)->document()->lastBlock().text() == QLatin1String("Operation finished successfully");
    };
    waitFor([&]() { return WindowUser::action(window, "actionBuild")->isEnabled(); }, 3600 * 1000);
    const qint64 ended = run.elapsed();
    waitFor(closed, 3600 * 1000);
    const qint64 closing = run.elapsed();
    waitFor([&]() { return WindowUser::settled(window); }, 3600 * 1000);
    std::printf("%d MB %s: the program ended after %.1f s, the closing line showed %.2f s later, all shown "
                "after %.1f s; longest event loop stall %lld ms\n",
                megabytes, kind == QLatin1String("oneline") ? "without line breaks" : qPrintable(QStringLiteral("in short lines (%1)").arg(kind)),
                ended / 1000.0, (closing - ended) / 1000.0, run.elapsed() / 1000.0,
                static_cast<long long>(meter.longest));
    std::printf("peak resident memory: %.1f MB; console holds %d paragraphs, %d characters\n",
                Bench::residentMegabytes("VmHWM:"), WindowUser::console(window)->document()->blockCount(),
                WindowUser::console(window)->document()->characterCount());
    return 0;
}

// A project whose "example" is the shell script `body`, built by a make
// that does nothing; returns the source file.
QString standInProject(const QTemporaryDir &dir, const QByteArray &body)
{
    const QString folder = dir.filePath(QStringLiteral("proj"));
    QDir().mkpath(folder);
    const auto write = [](const QString &path, const QByteArray &bytes) {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    };
    write(folder + QStringLiteral("/proj.c"), "int main(void) { return 0; }\n");
    write(folder + QStringLiteral("/proj.exe"), "#!/bin/sh\necho started\n" + body);
    write(dir.filePath(QStringLiteral("make.sh")), "#!/bin/sh\nexit 0\n");
    QSettings().setValue(QStringLiteral("MakePath"), dir.filePath(QStringLiteral("make.sh")));
    return folder + QStringLiteral("/proj.c");
}

int stopTimes()
{
    const std::pair<const char *, QByteArray> programs[] = {
        {"obeys the stop byte", "dd bs=1 count=1 >/dev/null 2>&1\nexit 0\n"},
        {"ignores the stop byte", "sleep 30\n"},
        {"ignores SIGTERM too", "trap '' TERM\nsleep 30\n"},
    };
    for (const auto &program : programs) {
        QTemporaryDir dir;
        const QString source = standInProject(dir, program.second);
        MainWindow window;
        window.show();
                window.loadSourceFile(source);
        WindowUser::action(window, "actionRun")->trigger();
        if (!waitFor([&]() { return WindowUser::console(window)->toPlainText().contains(QStringLiteral("started")); }, 10000))
            return 1;
        QElapsedTimer clock;
        clock.start();
        WindowUser::action(window, "actionStop")->trigger();
        std::printf("Stop, program that %-22s %5lld ms\n", program.first, static_cast<long long>(clock.elapsed()));
    }
    return 0;
}

// What finding the diagnostics costs on its own: 100 MB of each kind of
// short line, in the 64 KB chunks output comes in.
int scanCost()
{
    const std::pair<const char *, QString> kinds[] = {
        {"plain lines", QStringLiteral("short line of make output\n")},
        {"lines with colons", QStringLiteral("step 12:30: value: 5\n")},
        {"diagnostics", QStringLiteral("src/x.c:12:5: warning: unused variable 'y'\n")},
    };
    for (const auto &kind : kinds) {
        const QString chunk = kind.second.repeated(64 * 1024 / kind.second.size());
        const int chunks = int(100LL * 1000 * 1000 / chunk.size());
        Diagnostics::Collector collector;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < chunks; ++i)
            collector.add(Diagnostics::Collector::Error, chunk);
        collector.finish();
        std::printf("100 MB of %-18s %6.0f ms (%d kept)\n", kind.first, clock.nsecsElapsed() / 1e6,
                    int(collector.found().size()));
    }
    return 0;
}

// The sensor demo on its streaming board for `seconds`; with `plot`, run
// through Run and Plot into a viewer that reads nothing.
int liveRun(int seconds, bool plot)
{
    QTemporaryDir dir;
    const QString folder = Bench::copySensorDemo(dir.path());
    QSettings().setValue(QStringLiteral("MakePath"), QStringLiteral("make"));
    if (plot) {
        const QString viewer = dir.filePath(QStringLiteral("idle-viewer"));
        QFile script(viewer);
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\nexec sleep " + QByteArray::number(seconds + 30) + "\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        QSettings().setValue(QStringLiteral("ViewerPath"), viewer);
    }

    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    window.loadSourceFile(folder + QStringLiteral("/sensor_demo.c"));
    WindowUser::boards(window)->setCurrentText(QStringLiteral("Demo Stream"));
    WindowUser::action(window, plot ? "actionRun_and_Plot" : "actionRun")->trigger();
    if (!waitFor([&]() { return WindowUser::action(window, "actionStop")->isEnabled(); }, 30000)) {
        std::fprintf(stderr, "the example did not start: is make installed?\n");
        return 1;
    }

    const qint64 shownBefore = window.findChild<ConsoleWriter *>()->shownParagraphs();
    QElapsedTimer run;
    run.start();
    qint64 longestStall = 0;
    {
        StallMeter meter;
        while (run.elapsed() < seconds * 1000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        longestStall = meter.longest;
    }
    const double lines = double(window.findChild<ConsoleWriter *>()->shownParagraphs() - shownBefore);
    const double rate = lines / (run.elapsed() / 1000.0);

    QElapsedTimer stop;
    stop.start();
    WindowUser::action(window, "actionStop")->trigger();
    const qint64 stopMs = stop.elapsed();
    waitFor([&]() { return WindowUser::action(window, "actionBuild")->isEnabled(); }, 5000);

    std::printf("run of %d s: %.0f lines shown (%.0f lines/s)\n", seconds, lines, rate);
    std::printf("longest event loop stall: %lld ms\n", static_cast<long long>(longestStall));
    std::printf("peak resident memory: %.1f MB (now %.1f MB)\n", Bench::residentMegabytes("VmHWM:"),
                Bench::residentMegabytes("VmRSS:"));
    std::printf("Stop took %lld ms; console holds %d paragraphs\n", static_cast<long long>(stopMs),
                WindowUser::console(window)->document()->blockCount());
    if (auto *viewer = window.findChild<QProcess *>(QStringLiteral("plotViewer"))) {
        std::printf("waiting for the viewer at the end: %.1f MB\n", viewer->bytesToWrite() / (1024.0 * 1024.0));
        viewer->kill();
        viewer->waitForFinished(5000);
    }
    return 0;
}

int main(int argc, char *argv[])
{
    Bench::TracingApplication app(argc, argv);
    Bench::isolateSettings();
    if (argc > 1 && QByteArray(argv[1]) == "stop")
        return stopTimes();
    if (argc > 2 && QByteArray(argv[1]) == "flood")
        return flood(QString::fromLatin1(argv[2]), argc > 3 ? atoi(argv[3]) : 100);
    if (argc > 1 && QByteArray(argv[1]) == "scan")
        return scanCost();
    if (argc > 1 && QByteArray(argv[1]) == "plot")
        return liveRun(argc > 2 ? atoi(argv[2]) : 30, true);
    return liveRun(argc > 1 ? atoi(argv[1]) : 30, false);
}
