#include "viewerstatus.h"

#include "recordlimits.h"

#include <QStringList>

namespace ViewerStatus {

namespace {
constexpr double BytesPerMegabyte = 1024.0 * 1024.0;
const QString Separator = QStringLiteral(" \u00b7 ");
}

QString line(const Figures &figures)
{
    QStringList parts{QStringLiteral("%1 records, %2 signals").arg(figures.records).arg(figures.signalCount)};
    if (figures.unreadableLines > 0)
        parts << QStringLiteral("%1 lines could not be read").arg(figures.unreadableLines);
    parts << QStringLiteral("%1 records/s").arg(qRound64(figures.recordsPerSecond))
          << QStringLiteral("%1 MB").arg(figures.bytes / BytesPerMegabyte, 0, 'f', 1);
    parts << (figures.following ? QStringLiteral("following") : QStringLiteral("paused at %1 s").arg(figures.pausedAt));
    if (figures.keepSeconds > 0)
        parts << QStringLiteral("keeping the last %1 s").arg(figures.keepSeconds);
    if (figures.inputEnded)
        parts << QStringLiteral("input ended");
    return parts.join(Separator);
}

QString readCounts(qint64 records, int signalCount, qint64 unreadableLines, qint64 tooWideLines)
{
    QString text = QStringLiteral("%1 records read; %2 signals").arg(records).arg(signalCount);
    if (unreadableLines > 0)
        text += QStringLiteral("; %1 lines could not be read").arg(unreadableLines);
    if (tooWideLines > 0)
        text += QStringLiteral(" (%1 with more than %2 values)").arg(tooWideLines).arg(MostValuesPerRecord);
    return text;
}

double perSecond(qint64 before, qint64 now, qint64 elapsedMs)
{
    if (elapsedMs <= 0)
        return 0.0;
    return (now - (now < before ? 0 : before)) * 1000.0 / elapsedMs;
}

} // namespace ViewerStatus
