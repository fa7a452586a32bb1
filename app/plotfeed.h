#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// What Run and Plot hands the viewer of a run's output: whole lines only,
// and never more than `MostWaiting` bytes waiting for it. A viewer that
// falls behind misses whole lines instead of slowing the program or
// filling the editor's memory; it is told how many, in a line of its own
// that other readers take for a comment.
class PlotFeed
{
public:
    static constexpr qint64 MostWaiting = 16 * 1024 * 1024;

    // The bytes to write for `chunk` of output while `waiting` bytes still
    // wait for the viewer.
    QByteArray take(QStringView chunk, qint64 waiting);
    // The run ended: its last line, if unfinished, as a line, and the note
    // of the lines missed.
    QByteArray finish(qint64 waiting);
    // A new run starts in the same viewer: what it shows is cleared.
    static QByteArray clearLine();
    // The viewer to start: the one `configured`, else the one in
    // `programFolder` (beside the editor), else the one on the PATH.
    static QString viewerProgram(const QString &configured, const QString &programFolder);

    // The lines missed so far.
    qint64 skippedLines() const { return skipped; }

private:
    QByteArray wholeLines(QByteArray lines, qint64 waiting);

    // The run's unfinished last line, written when it is whole.
    QByteArray unfinished;
    // The unfinished line is being missed: its rest goes too.
    bool skippingLine = false;
    qint64 skipped = 0;
    // Missed lines the viewer has not been told of yet.
    qint64 untold = 0;
};
