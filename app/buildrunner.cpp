#include "buildrunner.h"

#include <QDeadlineTimer>
#include <QTextCodec>

namespace {
const char StopByte = 0x02;
constexpr int StopGraceMs = 400;

std::unique_ptr<QTextDecoder> utf8Decoder()
{
    return std::unique_ptr<QTextDecoder>(QTextCodec::codecForName("UTF-8")->makeDecoder());
}
} // namespace

BuildRunner::BuildRunner(QObject *parent)
    : QObject(parent)
    , outputDecoder(utf8Decoder())
    , errorDecoder(utf8Decoder())
{
    connect(&child, &QProcess::readyReadStandardOutput, this, &BuildRunner::readOutput);
    connect(&child, &QProcess::readyReadStandardError, this, &BuildRunner::readError);
    connect(&child, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this, &BuildRunner::finished);
    connect(&child, &QProcess::errorOccurred, this, &BuildRunner::failed);
}

BuildRunner::~BuildRunner()
{
    // Ending the child reports its completion at once, to listeners that
    // are half gone.
    child.disconnect(this);
    if (child.state() != QProcess::NotRunning) {
        child.terminateTree();
        child.close();
    }
    child.killTree();
}

void BuildRunner::enqueue(StepKind kind, Begin begin)
{
    queue.push_back(std::make_unique<Step>(Step{kind, std::move(begin)}));
}

void BuildRunner::startNext()
{
    if (queue.empty())
        return;
    current = std::move(queue.front());
    queue.pop_front();
    if (!current->begin()) {
        dropCurrent();
        clearQueue();
    }
}

void BuildRunner::dropCurrent()
{
    current.reset();
}

void BuildRunner::clearQueue()
{
    queue.clear();
}

void BuildRunner::launch(const QString &program, const QStringList &arguments, const QString &folder)
{
    cancelRequested = false;
    lastLaunch = {program, arguments, folder};
    outputDecoder = utf8Decoder();
    errorDecoder = utf8Decoder();
    child.setWorkingDirectory(folder);
    child.startStep(program, arguments);
}

void BuildRunner::stop()
{
    if (!current)
        return;
    cancelRequested = true;
    const QDeadlineTimer grace(StopGraceMs);
    child.write(&StopByte, 1);
    // The byte has to leave before the program can answer it; one that obeys
    // ends the wait at once, the others get the grace time and no more.
    if (child.state() != QProcess::NotRunning) {
        child.waitForBytesWritten(int(grace.remainingTime()));
        child.waitForFinished(int(grace.remainingTime()));
    }
    if (child.state() == QProcess::Running) {
        child.terminateTree();
        child.close();
    }
    // Whatever the program started is not to outlive the cancel.
    child.killTree();
}

// A character may arrive split across two reads, so each channel keeps its
// own decoder state. A zero byte in a program's output is not text: only it
// is dropped, never what follows it.
QString BuildRunner::decode(QTextDecoder *decoder, QByteArray bytes)
{
    bytes.replace('\0', QByteArray());
    return decoder->toUnicode(bytes);
}

void BuildRunner::readOutput()
{
    const QString text = decode(outputDecoder.get(), child.readAllStandardOutput());
    if (!text.isEmpty())
        emit outputRead(text);
}

void BuildRunner::readError()
{
    const QString text = decode(errorDecoder.get(), child.readAllStandardError());
    if (!text.isEmpty())
        emit errorRead(text);
}

void BuildRunner::finished(int exitCode)
{
    child.close();
    const StepEnd end = cancelRequested ? StepEnd::Cancelled : StepEnd::FinishedWithCode;
    emit stepEnded(end, exitCode);
    if (end == StepEnd::FinishedWithCode && exitCode == 0) {
        dropCurrent();
        startNext();
    } else {
        clearQueue();
        dropCurrent();
    }
    emit stateChanged();
}

void BuildRunner::failed(QProcess::ProcessError error)
{
    if (cancelRequested) {
        emit stateChanged();
        return;
    }
    switch (error) {
    case QProcess::FailedToStart:
        emit stepEnded(StepEnd::FailedToStart, -1);
        clearQueue();
        dropCurrent();
        emit stateChanged();
        break;
    case QProcess::Crashed:
        // The completion that follows reports the exit code.
        break;
    default:
        emit processFailed(child.errorString());
        break;
    }
}
