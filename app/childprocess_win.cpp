#include "childprocess.h"

#include <qt_windows.h>

// A job object holds the child and every process it starts; closing the
// job's last handle ends them all.
ChildProcess::~ChildProcess()
{
    killTree();
}

void ChildProcess::rememberTree()
{
    forgetTree();
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job)
        return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    HANDLE process = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(processId()));
    if (process) {
        AssignProcessToJobObject(job, process);
        CloseHandle(process);
    }
    tree = qintptr(job);
}

void ChildProcess::forgetTree()
{
    if (tree)
        CloseHandle(HANDLE(tree));
    tree = 0;
}

// A process of the job cannot leave it: the job ends them all.
void ChildProcess::startStep(const QString &program, const QStringList &arguments)
{
    start(program, arguments, QIODevice::ReadWrite);
}

void ChildProcess::terminateTree()
{
    if (state() == QProcess::NotRunning)
        return;
    // Windows has no polite request that every program understands.
    terminate();
}

void ChildProcess::killTree()
{
    if (!tree)
        return;
    TerminateJobObject(HANDLE(tree), 1);
    CloseHandle(HANDLE(tree));
    tree = 0;
}

void adoptEscapedDescendants()
{
}
