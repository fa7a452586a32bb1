#include "childprocess.h"

ChildProcess::ChildProcess(QObject *parent)
    : QProcess(parent)
{
    connect(this, &QProcess::started, this, &ChildProcess::rememberTree);
    // A start that fails must not leave the previous child's tree to be
    // signalled by the next stop.
    connect(this, &QProcess::stateChanged, this, [this](QProcess::ProcessState now) {
        if (now == QProcess::Starting)
            forgetTree();
    });
}
