#include "mainwindow.h"
#include "ui_MainWindow.h"

#include "consolewriter.h"
#include "sourcefile.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>

// Build, clean and run: what each step starts, and the console text the
// steps produce. The runner keeps the queue and the child process.

namespace {

const QString BoardArgument = QStringLiteral("CARTRIX_BOARD=");
const QString TargetAll = QStringLiteral("all");
const QString TargetClean = QStringLiteral("clean");
const QString ExecutableSuffix = QStringLiteral(".exe");
const QString CompilerDownloadPage = QStringLiteral("https://jmeubank.github.io/tdm-gcc/download/");

const QColor OutputColor = Qt::darkBlue;
const QColor ErrorColor = Qt::red;
const QColor WarningColor = QColor(255, 101, 0);
const QColor SuccessColor = Qt::darkGreen;
const QColor FailureColor = Qt::darkRed;
const QColor DiagnosticDataColor = Qt::darkBlue;

// make expands "$" in a command-line assignment: "$(shell ...)" in a board
// name would run. "$$" is make's own way to write one "$".
QString boardAssignment(const QString &board)
{
    QString value = board;
    value.replace(QLatin1Char('$'), QLatin1String("$$"));
    return BoardArgument + value;
}

bool isKnownMakeName(const QString &program)
{
    return program == QLatin1String("mingw32-make") || program == QLatin1String("make");
}

} // namespace

void MainWindow::connectProcess()
{
    console = new ConsoleWriter(ui->cmdOutputText, this);
    connect(runner.get(), &BuildRunner::outputRead, this, &MainWindow::readExtProcessOutput);
    connect(runner.get(), &BuildRunner::errorRead, this, &MainWindow::readExtProcessError);
    connect(runner.get(), &BuildRunner::stepEnded, this, [this](BuildRunner::StepEnd end, int exitCode) {
        if (end == BuildRunner::StepEnd::FailedToStart)
            extProcessError(QProcess::FailedToStart);
        else
            extProcessFinished(exitCode);
    });
    connect(runner.get(), &BuildRunner::processFailed, this,
            [this](const QString &reason) { console->write(FailureColor, reason); });
    connect(runner.get(), &BuildRunner::stateChanged, this, &MainWindow::updateActions);
}

void MainWindow::on_actionBuild_triggered()
{
    runner->enqueue(BuildRunner::StepKind::Make, [this]() { return runMake(TargetAll); });
    startNextOperation();
}

void MainWindow::on_actionClean_triggered()
{
    runner->enqueue(BuildRunner::StepKind::Make, [this]() { return runMake(TargetClean); });
    startNextOperation();
}

void MainWindow::on_actionRun_triggered()
{
    const QString executable = lastWorkingDirectory + QDir::separator() + projectName + ExecutableSuffix;
    runner->enqueue(BuildRunner::StepKind::Make, [this]() { return runMake(TargetAll); });
    runner->enqueue(BuildRunner::StepKind::Run, [this, executable]() { return runExample(executable); });
    startNextOperation();
}

void MainWindow::on_actionCancel_Build_triggered()
{
    if (runner->hasCurrent() && runner->currentKind() == BuildRunner::StepKind::Make)
        stopOperation();
}

void MainWindow::on_actionStop_triggered()
{
    if (runner->hasCurrent() && runner->currentKind() == BuildRunner::StepKind::Run)
        stopOperation();
}

void MainWindow::startNextOperation()
{
    runner->startNext();
}

void MainWindow::dropCurrentOperation()
{
    runner->dropCurrent();
}

void MainWindow::stopOperation()
{
    runner->stop();
}

bool MainWindow::canStartMake()
{
    if (!fileLoaded || extProcess.state() != QProcess::NotRunning)
        return false;
    if (!ui->codeEditor->document()->isModified())
        return true;
    return askToSaveChanges() != QMessageBox::Cancel;
}

bool MainWindow::canRunExample(const QString &executablePath) const
{
    return fileLoaded && extProcess.state() == QProcess::NotRunning
           && !ui->codeEditor->document()->isModified() && QFileInfo::exists(executablePath);
}

bool MainWindow::runMake(const QString &target)
{
    if (!canStartMake())
        return false;
    console->clear();
    updateActions();
    const QStringList arguments{boardAssignment(boardComboBox->itemText(boardComboBox->currentIndex())),
                                target};
    runner->launch(makePath, arguments, lastWorkingDirectory);
    return true;
}

bool MainWindow::runExample(const QString &executablePath)
{
    if (!canRunExample(executablePath))
        return false;
    console->clear();
    console->write(SuccessColor, QStringLiteral("Running example '%1' ...\n")
                                     .arg(QFileInfo(executablePath).fileName()));
    updateActions();
    runner->launch(executablePath, QStringList(), lastWorkingDirectory);
    return true;
}

void MainWindow::updateActions()
{
    const bool idle = !runner->hasCurrent();
    const bool making = !idle && runner->currentKind() == BuildRunner::StepKind::Make;
    const bool running = !idle && runner->currentKind() == BuildRunner::StepKind::Run;
    ui->actionBuild->setEnabled(idle);
    ui->actionClean->setEnabled(idle);
    ui->actionCancel_Build->setEnabled(making);
    ui->actionRun->setEnabled(idle);
    ui->actionStop->setEnabled(running);
}

void MainWindow::readExtProcessOutput(const QString &text)
{
    console->write(OutputColor, text);
}

void MainWindow::readExtProcessError(const QString &text)
{
    const bool warning = text.contains(QLatin1String("Warning"), Qt::CaseInsensitive);
    console->write(warning ? WarningColor : ErrorColor, text);
}

// The closing line of a step; the runner then moves the queue on.
void MainWindow::extProcessFinished(int exitCode)
{
    if (runner->cancelled()) {
        console->write(SuccessColor, QStringLiteral("\nOperation canceled !"));
    } else if (exitCode == 0) {
        console->write(SuccessColor, QStringLiteral("\nOperation finished successfully"));
    } else {
        console->write(FailureColor, QStringLiteral("\nOperation finished with error code: %1").arg(exitCode));
        console->write(FailureColor, extProcess.errorString());
    }
}

void MainWindow::extProcessError(QProcess::ProcessError err)
{
    if (err == QProcess::FailedToStart)
        writeDiagnostics();
}

void MainWindow::writeDiagnostics()
{
    const QString program = extProcess.program();
    if (isKnownMakeName(program)) {
        console->write(FailureColor, QStringLiteral("'%1' not found !").arg(program));
        console->write(FailureColor, QString());
        console->write(FailureColor, QStringLiteral("Check if compiler is installed ! Refer documentation regarding compiler installation ."));
        console->write(FailureColor, QString());
        console->write(FailureColor, QStringLiteral("It is recommended to install TDM-GCC from ") + CompilerDownloadPage);
    } else {
        console->write(FailureColor, QStringLiteral("Set Make Utility Path to \"make\" or \"mingw32-make\" in Settings option"));
    }
    console->write(FailureColor, QStringLiteral("\n"));

    console->write(DiagnosticDataColor, QStringLiteral("---- Diagnostic data ----"));
    console->write(DiagnosticDataColor, QStringLiteral("Command executed: ") + program);
    const QStringList arguments = extProcess.arguments();
    if (!arguments.isEmpty()) {
        QString line = QStringLiteral("Arguments: ");
        for (const QString &argument : arguments)
            line += argument + QLatin1Char(' ');
        console->write(DiagnosticDataColor, line);
    }
    console->write(DiagnosticDataColor, QStringLiteral("Working directory: ") + extProcess.workingDirectory());
}
