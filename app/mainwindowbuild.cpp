#include "mainwindow.h"
#include "ui_MainWindow.h"

#include "consolereport.h"
#include "consolewriter.h"
#include "settingsstore.h"
#include "sourcefile.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

// Build, clean and run: what each step starts, and the console text the
// steps produce. The runner keeps the queue and the child process.

namespace {

const QString TargetAll = QStringLiteral("all");
const QString TargetClean = QStringLiteral("clean");
const QString ExecutableSuffix = QStringLiteral(".exe");

} // namespace

void MainWindow::connectProcess()
{
    console = new ConsoleWriter(ui->cmdOutputText, this);
    connect(runner.get(), &BuildRunner::outputRead, this, &MainWindow::readExtProcessOutput);
    connect(runner.get(), &BuildRunner::errorRead, this, &MainWindow::readExtProcessError);
    connect(runner.get(), &BuildRunner::stepEnded, this, &MainWindow::reportStepEnd);
    connect(runner.get(), &BuildRunner::processFailed, this,
            [this](const QString &reason) { console->write(ConsoleReport::failureColour(), reason); });
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

void MainWindow::on_actionRun_and_Plot_triggered()
{
    const QString executable = lastWorkingDirectory + QDir::separator() + projectName + ExecutableSuffix;
    runner->enqueue(BuildRunner::StepKind::Make, [this]() { return runMake(TargetAll); });
    runner->enqueue(BuildRunner::StepKind::Run, [this, executable]() { return runExample(executable, true); });
    startNextOperation();
}

void MainWindow::openPlotViewer()
{
    if (plotViewer && plotViewer->state() == QProcess::Running) {
        feedPlotViewer(PlotFeed::clearLine());
        return;
    }
    if (plotViewer) {
        plotViewer->deleteLater();
        plotViewer = nullptr;
    }
    const QSettings settings;
    const QString program = PlotFeed::viewerProgram(settings.value(VestraSettings::KeyViewerPath).toString(),
                                                    QCoreApplication::applicationDirPath());
    const int keep = settings.value(VestraSettings::KeyPlotKeepSeconds, VestraSettings::DefaultPlotKeepSeconds).toInt();
    plotViewer = new QProcess(this);
    plotViewer->setObjectName(QStringLiteral("plotViewer"));
    plotViewer->setStandardOutputFile(QProcess::nullDevice());
    plotViewer->setStandardErrorFile(QProcess::nullDevice());
    connect(plotViewer, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            console->write(ConsoleReport::failureColour(),
                           QStringLiteral("The viewer '%1' could not be started: %2")
                               .arg(QDir::toNativeSeparators(plotViewer->program()), plotViewer->errorString()));
    });
    plotViewer->start(program, {QStringLiteral("--keep"), QString::number(std::max(keep, 0)), QStringLiteral("-")});
}

void MainWindow::feedPlotViewer(const QByteArray &lines)
{
    // A viewer the user closed takes nothing more; the program runs on.
    if (!lines.isEmpty() && plotViewer && plotViewer->state() != QProcess::NotRunning)
        plotViewer->write(lines);
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

void MainWindow::stopOperation()
{
    runner->stop();
}

bool MainWindow::canStartMake()
{
    if (!fileLoaded || extProcess.state() != QProcess::NotRunning)
        return false;
    return mayLeaveText();
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
    // The marks and links are the last build's: they go as the next starts.
    diagnostics.clear();
    currentDiagnostic = -1;
    diagnosticsFolder = lastWorkingDirectory;
    ui->codeEditor->clearLineMarks();
    updateActions();
    const QStringList arguments{ConsoleReport::boardAssignment(boardComboBox->itemText(boardComboBox->currentIndex())),
                                target};
    runner->launch(makePath, arguments, lastWorkingDirectory);
    return true;
}

bool MainWindow::runExample(const QString &executablePath, bool plot)
{
    if (!canRunExample(executablePath))
        return false;
    console->clear();
    plotting = plot;
    if (plot) {
        plotFeed = PlotFeed();
        openPlotViewer();
    }
    writeLines({ConsoleReport::runningLine(executablePath)});
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
    ui->actionRun_and_Plot->setEnabled(idle);
    ui->actionStop->setEnabled(running);
}

void MainWindow::readExtProcessOutput(const QString &text)
{
    console->write(ConsoleReport::outputColour(), text);
    if (plotting && plotViewer)
        feedPlotViewer(plotFeed.take(text, plotViewer->bytesToWrite()));
    if (runner->hasCurrent() && runner->currentKind() == BuildRunner::StepKind::Make)
        diagnostics.add(Diagnostics::Collector::Output, text);
}

void MainWindow::readExtProcessError(const QString &text)
{
    console->write(ConsoleReport::errorColour(text), text);
    if (runner->hasCurrent() && runner->currentKind() == BuildRunner::StepKind::Make)
        diagnostics.add(Diagnostics::Collector::Error, text);
}

void MainWindow::extProcessFinished(int exitCode)
{
    reportStepEnd(runner->cancelled() ? BuildRunner::StepEnd::Cancelled : BuildRunner::StepEnd::FinishedWithCode,
                  exitCode);
}

void MainWindow::extProcessError(QProcess::ProcessError err)
{
    if (err == QProcess::FailedToStart)
        reportStepEnd(BuildRunner::StepEnd::FailedToStart, -1);
}

// The closing lines of a step; the runner then moves the queue on.
void MainWindow::reportStepEnd(BuildRunner::StepEnd end, int exitCode)
{
    if (runner->hasCurrent() && runner->currentKind() == BuildRunner::StepKind::Make) {
        diagnostics.finish();
        showDiagnosticMarks();
    }
    if (plotting && runner->hasCurrent() && runner->currentKind() == BuildRunner::StepKind::Run) {
        feedPlotViewer(plotFeed.finish(plotViewer ? plotViewer->bytesToWrite() : 0));
        plotting = false;
    }
    writeLines(ConsoleReport::closingLines({end, exitCode, runner->launched(), runner->errorText()}));
}

void MainWindow::writeLines(const QVector<ConsoleReport::Line> &lines)
{
    for (const ConsoleReport::Line &line : lines)
        console->write(line.colour, line.text);
}
