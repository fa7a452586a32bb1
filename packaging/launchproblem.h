#pragma once

#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <QWidget>

// What the package's launcher could not do (vestra-code-editor.sh.in puts it
// in VESTRA_LAUNCH_PROBLEM), told once the window is up; the programs the
// window starts are not to tell it again.
inline void tellLaunchProblem(QWidget *window, const QString &title)
{
    const QString problem = qEnvironmentVariable("VESTRA_LAUNCH_PROBLEM").trimmed();
    qunsetenv("VESTRA_LAUNCH_PROBLEM");
    if (problem.isEmpty())
        return;
    QTimer::singleShot(0, window, [window, title, problem]() { QMessageBox::warning(window, title, problem); });
}
