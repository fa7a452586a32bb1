#include "plotfeed.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QByteArray SkippedMarker("#vestra:skipped ");
// Lines leave this much of the bound free, so that the note of the lines
// missed always fits.
constexpr qint64 NoteRoom = 1024;
} // namespace

QByteArray PlotFeed::take(QStringView chunk, qint64 waiting)
{
    QByteArray bytes = chunk.toUtf8();
    const int lastBreak = bytes.lastIndexOf('\n');
    if (lastBreak < 0) {
        if (skippingLine)
            return QByteArray();
        unfinished += bytes;
        // A line that never ends must not grow for ever either.
        if (unfinished.size() > MostWaiting) {
            unfinished.clear();
            skippingLine = true;
            ++skipped;
            ++untold;
        }
        return QByteArray();
    }
    QByteArray lines;
    const int firstBreak = bytes.indexOf('\n');
    if (skippingLine) {
        // The rest of a missed line goes with it.
        lines = bytes.mid(firstBreak + 1, lastBreak - firstBreak);
        skippingLine = false;
    } else {
        lines = unfinished + bytes.left(lastBreak + 1);
    }
    unfinished = bytes.mid(lastBreak + 1);
    return wholeLines(lines, waiting);
}

QByteArray PlotFeed::wholeLines(QByteArray lines, qint64 waiting)
{
    if (lines.isEmpty())
        return QByteArray();
    if (waiting + lines.size() > MostWaiting - NoteRoom) {
        const qint64 count = lines.count('\n');
        skipped += count;
        untold += count;
        return QByteArray();
    }
    if (untold > 0) {
        lines.prepend(SkippedMarker + QByteArray::number(untold) + '\n');
        untold = 0;
    }
    return lines;
}

QByteArray PlotFeed::finish(qint64 waiting)
{
    QByteArray last;
    if (!unfinished.isEmpty() && !skippingLine)
        last = unfinished + '\n';
    unfinished.clear();
    skippingLine = false;
    if (!last.isEmpty() && waiting + last.size() > MostWaiting - NoteRoom) {
        last.clear();
        ++skipped;
        ++untold;
    }
    if (untold > 0)
        last.prepend(SkippedMarker + QByteArray::number(untold) + '\n');
    untold = 0;
    return last;
}

QByteArray PlotFeed::clearLine()
{
    return QByteArrayLiteral("#vestra:clear\n");
}

QString PlotFeed::viewerProgram(const QString &configured, const QString &programFolder)
{
    if (!configured.isEmpty())
        return configured;
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("vestra-sensor-viewer.exe");
#else
    const QString name = QStringLiteral("vestra-sensor-viewer");
#endif
    const QString beside = QDir(programFolder).filePath(name);
    if (QFileInfo(beside).isExecutable())
        return beside;
    const QString onPath = QStandardPaths::findExecutable(name);
    return onPath.isEmpty() ? beside : onPath;
}
