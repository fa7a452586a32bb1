#include "mainwindow.h"
#include "ui_MainWindow.h"

#include "consolewriter.h"
#include "sourcefile.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTextCodec>

// Build, clean and run: the queue of steps on the one child process, and
// the console text they produce.

namespace {

const QString BoardArgument = QStringLiteral("CARTRIX_BOARD=");
const QString TargetAll = QStringLiteral("all");
const QString TargetClean = QStringLiteral("clean");
const QString ExecutableSuffix = QStringLiteral(".exe");
const QString CompilerDownloadPage = QStringLiteral("https://jmeubank.github.io/tdm-gcc/download/");
const char StopByte = 0x02;
constexpr unsigned long StopGraceMs = 400;

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
    resetOutputDecoders();
    connect(&extProcess, &QProcess::readyReadStandardOutput, this, &MainWindow::readExtProcessOutput);
    connect(&extProcess, &QProcess::readyReadStandardError, this, &MainWindow::readExtProcessError);
    connect(&extProcess, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &MainWindow::extProcessFinished);
    connect(&extProcess, &QProcess::errorOccurred, this, &MainWindow::extProcessError);
}

void MainWindow::enqueue(void (MainWindow::*handler)(const QString &), const QString &argument,
                         OperationKind kind)
{
    operationQueue.push_back(std::make_unique<Operation>(Operation{handler, argument, kind}));
}

void MainWindow::on_actionBuild_triggered()
{
    enqueue(&MainWindow::runMake, TargetAll, OperationKind::Make);
    startNextOperation();
}

void MainWindow::on_actionClean_triggered()
{
    enqueue(&MainWindow::runMake, TargetClean, OperationKind::Make);
    startNextOperation();
}

void MainWindow::on_actionRun_triggered()
{
    const QString executable = lastWorkingDirectory + QDir::separator() + projectName + ExecutableSuffix;
    enqueue(&MainWindow::runMake, TargetAll, OperationKind::Make);
    enqueue(&MainWindow::runExample, executable, OperationKind::Run);
    startNextOperation();
}

void MainWindow::on_actionCancel_Build_triggered()
{
    if (currentOperation && currentOperation->kind == OperationKind::Make)
        stopOperation();
}

void MainWindow::on_actionStop_triggered()
{
    if (currentOperation && currentOperation->kind == OperationKind::Run)
        stopOperation();
}

void MainWindow::startNextOperation()
{
    if (operationQueue.empty())
        return;
    currentOperation = std::move(operationQueue.front());
    operationQueue.pop_front();
    (this->*(currentOperation->handler))(QString(currentOperation->argument));
}

void MainWindow::dropCurrentOperation()
{
    currentOperation.reset();
}

void MainWindow::clearQueue()
{
    operationQueue.clear();
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

void MainWindow::runMake(const QString &target)
{
    if (!canStartMake()) {
        dropCurrentOperation();
        clearQueue();
        return;
    }
    console->clear();
    operationCanceled = false;
    updateActions();

    const QStringList arguments{boardAssignment(boardComboBox->itemText(boardComboBox->currentIndex())),
                                target};
    resetOutputDecoders();
    extProcess.setWorkingDirectory(lastWorkingDirectory);
    extProcess.start(makePath, arguments, QIODevice::ReadWrite);
}

void MainWindow::runExample(const QString &executablePath)
{
    if (!canRunExample(executablePath)) {
        dropCurrentOperation();
        clearQueue();
        return;
    }
    console->clear();
    operationCanceled = false;
    console->write(SuccessColor, QStringLiteral("Running example '%1' ...\n")
                                     .arg(QFileInfo(executablePath).fileName()));
    updateActions();

    resetOutputDecoders();
    extProcess.setWorkingDirectory(lastWorkingDirectory);
    extProcess.start(executablePath, QStringList(), QIODevice::ReadWrite);
}

void MainWindow::stopOperation()
{
    if (!currentOperation)
        return;
    operationCanceled = true;
    const QDeadlineTimer grace(StopGraceMs);
    extProcess.write(&StopByte, 1);
    // The byte has to leave before the program can answer it; one that obeys
    // ends the wait at once, the others get the grace time and no more.
    if (extProcess.state() != QProcess::NotRunning) {
        extProcess.waitForBytesWritten(int(grace.remainingTime()));
        extProcess.waitForFinished(int(grace.remainingTime()));
    }
    if (extProcess.state() == QProcess::Running) {
        extProcess.terminateTree();
        extProcess.close();
    }
    // Whatever the program started is not to outlive the cancel.
    extProcess.killTree();
}

void MainWindow::updateActions()
{
    const bool idle = !currentOperation;
    const bool making = currentOperation && currentOperation->kind == OperationKind::Make;
    const bool running = currentOperation && currentOperation->kind == OperationKind::Run;
    ui->actionBuild->setEnabled(idle);
    ui->actionClean->setEnabled(idle);
    ui->actionCancel_Build->setEnabled(making);
    ui->actionRun->setEnabled(idle);
    ui->actionStop->setEnabled(running);
}

void MainWindow::resetOutputDecoders()
{
    QTextCodec *utf8 = QTextCodec::codecForName("UTF-8");
    outputDecoder.reset(utf8->makeDecoder());
    errorDecoder.reset(utf8->makeDecoder());
}

// A character may arrive split across two reads, so each channel keeps its
// own decoder state. A zero byte in a program's output is not text: only it
// is dropped, never what follows it.
QString MainWindow::decodeOutput(QTextDecoder *decoder, QByteArray bytes)
{
    bytes.replace('\0', QByteArray());
    return decoder->toUnicode(bytes);
}

void MainWindow::readExtProcessOutput()
{
    const QString text = decodeOutput(outputDecoder.get(), extProcess.readAllStandardOutput());
    if (!text.isEmpty())
        console->write(OutputColor, text);
}

void MainWindow::readExtProcessError()
{
    const QString text = decodeOutput(errorDecoder.get(), extProcess.readAllStandardError());
    if (text.isEmpty())
        return;
    const bool warning = text.contains(QLatin1String("Warning"), Qt::CaseInsensitive);
    console->write(warning ? WarningColor : ErrorColor, text);
}

void MainWindow::extProcessFinished(int exitCode)
{
    extProcess.close();
    if (operationCanceled) {
        console->write(SuccessColor, QStringLiteral("\nOperation canceled !"));
        clearQueue();
        dropCurrentOperation();
        updateActions();
    } else if (exitCode == 0) {
        console->write(SuccessColor, QStringLiteral("\nOperation finished successfully"));
        dropCurrentOperation();
        startNextOperation();
        updateActions();
    } else {
        console->write(FailureColor, QStringLiteral("\nOperation finished with error code: %1").arg(exitCode));
        console->write(FailureColor, extProcess.errorString());
        clearQueue();
        dropCurrentOperation();
        updateActions();
    }
}

void MainWindow::extProcessError(QProcess::ProcessError err)
{
    if (operationCanceled) {
        updateActions();
        return;
    }
    switch (err) {
    case QProcess::FailedToStart:
        writeDiagnostics();
        clearQueue();
        dropCurrentOperation();
        updateActions();
        break;
    case QProcess::Crashed:
        // The completion that follows reports the exit code.
        break;
    default:
        console->write(FailureColor, extProcess.errorString());
        break;
    }
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
