#include "stdinreader.h"
#include "viewerwindow.h"

#include <QApplication>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

namespace {
// A save that meets a file size limit should fail and say so, not end the
// program with everything unsaved (Unix sends SIGXFSZ).
void keepRunningAtFileSizeLimit()
{
#ifdef Q_OS_UNIX
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}
} // namespace

// vestra-sensor-viewer [FILE...] [-]
// Files named load at start; "-" plots records read live from standard
// input, for example: ./sensor_demo.exe | vestra-sensor-viewer -
int main(int argc, char *argv[])
{
    keepRunningAtFileSizeLimit();
    QApplication app(argc, argv);
    ViewerWindow window;
    StdinReader reader;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (const QString &arg : args) {
        if (arg == QLatin1String("-")) {
            QObject::connect(&reader, &StdinReader::linesRead, &window,
                             [&window](const QString &lines) { window.appendLive(lines); });
            reader.start();
        } else {
            window.openFile(arg);
        }
    }
    window.show();
    const int result = app.exec();
    // The reader may sit in a blocking read: it goes with the process.
    reader.terminate();
    reader.wait(100);
    return result;
}
