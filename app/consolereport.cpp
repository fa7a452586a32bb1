#include "consolereport.h"

#include <QFileInfo>

namespace ConsoleReport {

namespace {

const QString BoardArgument = QStringLiteral("CARTRIX_BOARD=");
const QString CompilerDownloadPage = QStringLiteral("https://jmeubank.github.io/tdm-gcc/download/");

const QColor OutputColor = Qt::darkBlue;
const QColor ErrorColor = Qt::red;
const QColor WarningColor = QColor(255, 101, 0);
const QColor SuccessColor = Qt::darkGreen;
const QColor FailureColor = Qt::darkRed;
const QColor DiagnosticDataColor = Qt::darkBlue;

bool isKnownMakeName(const QString &program)
{
    return program == QLatin1String("mingw32-make") || program == QLatin1String("make");
}

// Why the program could not start, and what the user can do about it.
void appendStartFailure(const StepEnding &ending, QVector<Line> &lines)
{
    const auto failure = [&lines](const QString &text) { lines.append({FailureColor, text}); };
    if (isKnownMakeName(ending.launch.program)) {
        failure(QStringLiteral("'%1' not found !").arg(ending.launch.program));
        failure(QString());
        failure(QStringLiteral("Check if compiler is installed ! Refer documentation regarding compiler installation ."));
        failure(QString());
        failure(QStringLiteral("It is recommended to install TDM-GCC from ") + CompilerDownloadPage);
    } else {
        failure(QStringLiteral("Set Make Utility Path to \"make\" or \"mingw32-make\" in Settings option"));
    }
    failure(QStringLiteral("\n"));

    const auto data = [&lines](const QString &text) { lines.append({DiagnosticDataColor, text}); };
    data(QStringLiteral("---- Diagnostic data ----"));
    data(QStringLiteral("Command executed: ") + ending.launch.program);
    if (!ending.launch.arguments.isEmpty()) {
        QString line = QStringLiteral("Arguments: ");
        for (const QString &argument : ending.launch.arguments)
            line += argument + QLatin1Char(' ');
        data(line);
    }
    data(QStringLiteral("Working directory: ") + ending.launch.folder);
}

} // namespace

QColor outputColour()
{
    return OutputColor;
}

QColor errorColour(const QString &text)
{
    return text.contains(QLatin1String("Warning"), Qt::CaseInsensitive) ? WarningColor : ErrorColor;
}

QColor failureColour()
{
    return FailureColor;
}

Line runningLine(const QString &executablePath)
{
    return {SuccessColor, QStringLiteral("Running example '%1' ...\n").arg(QFileInfo(executablePath).fileName())};
}

QVector<Line> closingLines(const StepEnding &ending)
{
    QVector<Line> lines;
    switch (ending.end) {
    case BuildRunner::StepEnd::Cancelled:
        lines.append({SuccessColor, QStringLiteral("\nOperation canceled !")});
        break;
    case BuildRunner::StepEnd::FinishedWithCode:
        if (ending.exitCode == 0) {
            lines.append({SuccessColor, QStringLiteral("\nOperation finished successfully")});
        } else {
            lines.append({FailureColor, QStringLiteral("\nOperation finished with error code: %1").arg(ending.exitCode)});
            lines.append({FailureColor, ending.errorText});
        }
        break;
    case BuildRunner::StepEnd::FailedToStart:
        appendStartFailure(ending, lines);
        break;
    }
    return lines;
}

// make expands "$" in a command-line assignment: "$(shell ...)" in a board
// name would run. "$$" is make's own way to write one "$".
QString boardAssignment(const QString &board)
{
    QString value = board;
    value.replace(QLatin1Char('$'), QLatin1String("$$"));
    return BoardArgument + value;
}

} // namespace ConsoleReport
