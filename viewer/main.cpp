#include "safefile.h"
#include "settingsstore.h"
#include "stdinreader.h"
#include "launchproblem.h"
#include "version.h"
#include "viewerwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <limits>


namespace {
struct Options
{
    double keepSeconds = 0.0;
    // Megabytes live input may take; negative: a quarter of the memory.
    qint64 maxMemoryMB = -1;
    QStringList files;
};

// Reads the command line before any window exists, so that a terminal
// without a display still gets the help, the version and the errors (each
// of which ends the program here).
Options readOptions(int argc, char *argv[])
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plots sensor recordings: lines of a signal name, a time in "
                                                    "seconds and values, separated by semicolons or tabs."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption keep(QStringLiteral("keep"),
                                  QStringLiteral("Keep only the records of the last SECONDS seconds."),
                                  QStringLiteral("SECONDS"));
    parser.addOption(keep);
    const QCommandLineOption maxMemory(QStringLiteral("max-memory"),
                                       QStringLiteral("Let live input take at most MB megabytes, dropping the oldest "
                                                      "records past them (0: no limit; default: a quarter of the "
                                                      "memory)."),
                                       QStringLiteral("MB"));
    parser.addOption(maxMemory);
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("Recordings to open; - reads records live from standard input."),
                                 QStringLiteral("[FILE...] [-]"));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    bool seconds = true;
    bool megabytes = true;
    Options options;
    const bool parsed = parser.parse(arguments);
    if (parsed && parser.isSet(keep))
        options.keepSeconds = parser.value(keep).toDouble(&seconds);
    if (parsed && parser.isSet(maxMemory))
        options.maxMemoryMB = parser.value(maxMemory).toLongLong(&megabytes);
    seconds = seconds && options.keepSeconds >= 0;
    megabytes = megabytes && (options.maxMemoryMB >= 0 || !parser.isSet(maxMemory))
                && options.maxMemoryMB <= std::numeric_limits<qint64>::max() / (1024 * 1024);
    if (!parser.errorText().isEmpty() || !seconds || !megabytes) {
        QString error = parser.errorText();
        if (error.isEmpty() && !seconds)
            error = QStringLiteral("--keep needs a number of seconds, not '%1'.").arg(parser.value(keep));
        else if (error.isEmpty())
            error = QStringLiteral("--max-memory needs a number of megabytes, not '%1'.").arg(parser.value(maxMemory));
        std::fprintf(stderr, "%s\n", qPrintable(error));
        std::exit(1);
    }
    if (parser.isSet(help) || parser.isSet(version)) {
        QCoreApplication terminal(argc, argv);
        QCoreApplication::setApplicationVersion(QStringLiteral(VESTRA_VERSION));
        if (parser.isSet(version))
            parser.showVersion();
        parser.showHelp();
    }
    options.files = parser.positionalArguments();
    return options;
}

} // namespace

// vestra-sensor-viewer [--keep SECONDS] [--max-memory MB] [FILE...] [-]
// Files named load at start; "-" plots records read live from standard
// input, for example: ./sensor_demo.exe | vestra-sensor-viewer -
int main(int argc, char *argv[])
{
    SafeFile::keepRunningAtFileSizeLimit();
    const Options options = readOptions(argc, argv);
    // The viewer's settings stand beside the editor's, under the same maker.
    QCoreApplication::setOrganizationName(QString::fromLatin1(VestraSettings::OrganizationName));
    QCoreApplication::setApplicationName(QStringLiteral("VESTRA Sensor Viewer"));
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/Icons/viewer_icon.png")));
    ViewerWindow window;
    window.keepLast(options.keepSeconds);
    if (options.maxMemoryMB >= 0)
        window.setMemoryBudget(options.maxMemoryMB * 1024 * 1024);
    StdinReader reader;
    LiveFeed feed(reader, [&window](const QString &lines, int unreadable) { window.appendLive(lines, unreadable); });
    QObject::connect(&feed, &LiveFeed::inputEnded, &window, &ViewerWindow::liveInputEnded);
    for (const QString &arg : options.files) {
        if (arg == QLatin1String("-")) {
            window.beginLiveInput();
            reader.start();
        }
        else
            window.openFile(arg);
    }
    window.show();
    tellLaunchProblem(&window, QStringLiteral("VESTRA Sensor Viewer"));
    const int result = app.exec();
    // A reader waiting for room ends; one in a blocking read goes with the
    // process.
    reader.stop();
    if (!reader.wait(200))
        reader.terminate();
    reader.wait(100);
    return result;
}
