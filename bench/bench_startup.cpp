// Time from the end of the splash to the main window being on screen: the
// window's construction (with the last file reopened) and its first show.
//   build/bench/bench_startup

#include "benchsupport.h"
#include "mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Bench::isolateSettings();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("demo.c"));
    if (!Bench::writeFile(path, Bench::cSource(300)))
        return 1;

    std::vector<double> cold;
    std::vector<double> shown;
    for (int run = 0; run < 15; ++run) {
        QSettings().setValue(QStringLiteral("LastLoadedFile"), path);
        QElapsedTimer clock;
        clock.start();
        auto *window = new MainWindow;
        const double built = clock.nsecsElapsed() / 1e6;
        window->show();
        if (!QTest::qWaitForWindowExposed(window))
            return 1;
        QApplication::processEvents();
        shown.push_back(clock.nsecsElapsed() / 1e6);
        cold.push_back(built);
        delete window;
    }
    Bench::report("main window constructed (last file reopened)", cold);
    Bench::report("splash end to main window shown", shown);
    return 0;
}
