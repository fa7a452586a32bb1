#pragma once

#include "childprocess.h"

#include <QStringList>
#include <QTextDecoder>

#include <deque>
#include <functional>
#include <memory>

// The build and run commands' one child process and the queue of steps it
// works through: which step runs, how a running program is stopped, and how
// each step ended. What a step starts, and what the console says about it,
// is the window's business.
class BuildRunner : public QObject
{
    Q_OBJECT

public:
    enum class StepKind { Make, Run };
    enum class StepEnd { FinishedWithCode, Cancelled, FailedToStart };

    // What a step started, as it was asked to.
    struct Launch
    {
        QString program;
        QStringList arguments;
        QString folder;
    };

    // Starts a step: checks what the step needs and calls launch(), or
    // returns false to refuse, which drops the step and everything queued.
    using Begin = std::function<bool()>;

    explicit BuildRunner(QObject *parent = nullptr);
    // Ends whatever still runs, without the stop byte or any grace time,
    // and reports nothing any more.
    ~BuildRunner() override;

    void enqueue(StepKind kind, Begin begin);
    // Takes the next step from the queue and begins it.
    void startNext();
    void dropCurrent();
    void clearQueue();

    bool hasCurrent() const { return current != nullptr; }
    StepKind currentKind() const { return current ? current->kind : StepKind::Make; }
    bool isIdle() const { return !current && queue.empty(); }
    bool cancelled() const { return cancelRequested; }

    // Starts the current step's program with fresh output decoding.
    void launch(const QString &program, const QStringList &arguments, const QString &folder);
    // Writes the stop byte, gives the program up to 400 ms to end by
    // itself, then ends it and everything it started. The step then ends
    // as cancelled (usually before this returns).
    void stop();

    // What the current or the last step started.
    const Launch &launched() const { return lastLaunch; }
    // The child's description of its last error.
    QString errorText() const { return child.errorString(); }

    ChildProcess &process() { return child; }
    const ChildProcess &process() const { return child; }

    // Program text as it arrives, decoded; never empty.
    static QString decode(QTextDecoder *decoder, QByteArray bytes);

signals:
    void outputRead(const QString &text);
    void errorRead(const QString &text);
    // The current step ended; the queue moves on once this returns.
    void stepEnded(BuildRunner::StepEnd end, int exitCode);
    // A process error other than a failure to start, while not cancelled.
    void processFailed(const QString &reason);
    // Which step runs (or none) may have changed.
    void stateChanged();

private:
    struct Step
    {
        StepKind kind;
        Begin begin;
    };

    void readOutput();
    void readError();
    void finished(int exitCode);
    void failed(QProcess::ProcessError error);

    ChildProcess child;
    Launch lastLaunch;
    std::unique_ptr<QTextDecoder> outputDecoder;
    std::unique_ptr<QTextDecoder> errorDecoder;
    std::deque<std::unique_ptr<Step>> queue;
    std::unique_ptr<Step> current;
    bool cancelRequested = false;
};

// Carried by queued signals and test tables.
Q_DECLARE_METATYPE(BuildRunner::StepEnd)
