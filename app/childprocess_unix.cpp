#include "childprocess.h"

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

ChildProcess::~ChildProcess() = default;

// Runs in the child between fork and exec: only async-signal-safe calls.
void ChildProcess::setupChildProcess()
{
    setpgid(0, 0);
    // The editor ignores SIGXFSZ for itself; its children get the default.
    signal(SIGXFSZ, SIG_DFL);
}

void ChildProcess::rememberTree()
{
    tree = qintptr(processId());
}

void ChildProcess::forgetTree()
{
    tree = 0;
}

void ChildProcess::terminateTree()
{
    if (state() == QProcess::NotRunning || tree <= 0)
        return;
    ::kill(-pid_t(tree), SIGTERM);
}

void ChildProcess::killTree()
{
    if (tree <= 0)
        return;
    ::kill(-pid_t(tree), SIGKILL);
    tree = 0;
}

void keepRunningAtFileSizeLimit()
{
    signal(SIGXFSZ, SIG_IGN);
}
