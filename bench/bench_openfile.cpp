// Time to open a 100,000-line source file, from the call to the text being
// shown (the editor has laid out and painted its first screen).
//   build/bench/bench_openfile

#include "benchsupport.h"
#include "mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Bench::isolateSettings();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.c"));
    const QByteArray source = Bench::cSource(100000);
    if (!Bench::writeFile(path, source))
        return 1;
    std::printf("file: %d lines, %.2f MB\n", 100000, source.size() / 1e6);

    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    auto *editor = window.findChild<QPlainTextEdit *>(QStringLiteral("codeEditor"));

    std::vector<double> loaded;
    std::vector<double> shown;
    for (int run = 0; run < 7; ++run) {
        editor->clear();
        QApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        window.loadSourceFile(path);
        loaded.push_back(clock.nsecsElapsed() / 1e6);
        editor->viewport()->repaint();
        QApplication::processEvents();
        shown.push_back(clock.nsecsElapsed() / 1e6);
    }
    Bench::report("loadSourceFile returns", loaded);
    Bench::report("call to text shown", shown);
    return 0;
}
