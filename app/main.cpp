#include "aboutdialog.h"
#include "childprocess.h"
#include "mainwindow.h"
#include "safefile.h"
#include "settingsstore.h"
#include "launchproblem.h"
#include "version.h"

#include <QApplication>
#include <QCommandLineParser>

namespace {

// --version and --help are answered on the terminal, before any window
// (or display) is needed; other arguments are Qt's own.
void answerOnTerminal(int argc, char *argv[])
{
    bool asked = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        asked = asked || arg == "--version" || arg == "-v" || arg == "--help" || arg == "-h";
    }
    if (!asked)
        return;
    QCoreApplication terminal(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(VESTRA_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Edits, builds and runs the example projects of the VESTRA "
                                                    "sensor evaluation boards. It finds the examples and the "
                                                    "documents in the folder above the one it is started in."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(terminal);
}

} // namespace

int main(int argc, char *argv[])
{
    SafeFile::keepRunningAtFileSizeLimit();
    adoptEscapedDescendants();
    answerOnTerminal(argc, argv);
    QApplication app(argc, argv);
    VestraSettings::registerFontSubstitutes();
    AboutDialog splash(true, nullptr);
    splash.exec();

    int result = 0;
    {
        MainWindow window;
        window.show();
        splash.close();
        tellLaunchProblem(&window, QStringLiteral("VESTRA Code Editor"));
        result = app.exec();
    }
    return result;
}
