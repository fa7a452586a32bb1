#pragma once

#include "buildrunner.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <QVector>

// What the console says about the build and run steps: the colour of the
// text a program writes, and the lines that close a step. Plain functions,
// so every case is checked without a window or a process.
namespace ConsoleReport {

struct Line
{
    QColor colour;
    QString text;
};

// How a step ended, with what it had started.
struct StepEnding
{
    BuildRunner::StepEnd end = BuildRunner::StepEnd::FinishedWithCode;
    int exitCode = 0;
    BuildRunner::Launch launch;
    // The process's own description of its last error.
    QString errorText;
};

QColor outputColour();
// The colour of a chunk of a program's error output: one that mentions a
// warning anywhere is a warning throughout.
QColor errorColour(const QString &text);
QColor failureColour();

// The line that opens a run of the example.
Line runningLine(const QString &executablePath);
// The lines appended when a step ends, in order.
QVector<Line> closingLines(const StepEnding &ending);

// The make argument that chooses `board`, so that make reads the name as
// text and never as a reference to expand.
QString boardAssignment(const QString &board);

} // namespace ConsoleReport
