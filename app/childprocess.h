#pragma once

#include <QProcess>

// The one child process of the build and run commands. A make recipe or an
// example may start programs of its own; stopping the child must end them
// too, or they keep running (and keep a board's connection busy) after the
// console says the operation was cancelled. So the child heads a process
// tree that is signalled as a whole. A program may leave that tree (a
// daemon calls setsid() and forks): on Linux each step's processes carry a
// mark in their environment, the variable VESTRA_STEP, and the processes
// that left come back to the editor (see adoptEscapedDescendants), where
// the mark finds them.
//
// Everything that differs between platforms lives in this class's two
// source files, childprocess_unix.cpp and childprocess_win.cpp.
class ChildProcess : public QProcess
{
    Q_OBJECT

public:
    explicit ChildProcess(QObject *parent = nullptr);
    ~ChildProcess() override;

    // Starts a step's program, read and written as a pipe.
    void startStep(const QString &program, const QStringList &arguments);

    // Asks the child and everything it started to end (SIGTERM to the
    // process group on Unix). Does nothing when no child runs.
    void terminateTree();

    // Ends whatever is left of the tree of the child started last, also
    // after the child itself has ended and been closed, and every process
    // it started that left the tree.
    void killTree();

protected:
#ifndef Q_OS_WIN
    void setupChildProcess() override;
#endif

private:
    void rememberTree();
    void forgetTree();

    // Unix: the process group id; Windows: the job object's handle.
    qintptr tree = 0;
    // What the environment of the last step's processes holds (Linux).
    QByteArray stepMark;
};

// Makes the editor the parent that processes its steps leave behind come
// back to when their own parent ends (Linux: a child subreaper), so that
// Stop can still end them. Does nothing elsewhere.
void adoptEscapedDescendants();
