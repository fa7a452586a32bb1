#include "viewerstatus.h"

#include "recordlimits.h"

#include <QStringList>

#include <cmath>

namespace ViewerStatus {

namespace {
constexpr double BytesPerMegabyte = 1024.0 * 1024.0;
constexpr double BytesPerGigabyte = 1024.0 * BytesPerMegabyte;
const QString Separator = QStringLiteral(" \u00b7 ");

// Three digits at most, fewer decimals as the number grows.
QString threeDigits(double value)
{
    return QString::number(value, 'f', value < 9.995 ? 2 : value < 99.95 ? 1 : 0);
}
}

QString rate(double recordsPerSecond)
{
    if (!std::isfinite(recordsPerSecond))
        recordsPerSecond = 0;
    if (recordsPerSecond < 999.5)
        return QStringLiteral("%1 records/s").arg(qRound64(recordsPerSecond));
    if (recordsPerSecond < 999500)
        return QStringLiteral("%1 k records/s").arg(threeDigits(recordsPerSecond / 1e3));
    return QStringLiteral("%1 M records/s").arg(threeDigits(recordsPerSecond / 1e6));
}

QString size(qint64 bytes)
{
    if (bytes < BytesPerMegabyte)
        return QStringLiteral("%1 KB").arg(qRound64(bytes / 1024.0));
    if (bytes < BytesPerGigabyte)
        return QStringLiteral("%1 MB").arg(bytes / BytesPerMegabyte, 0, 'f', 1);
    return QStringLiteral("%1 GB").arg(QString::number(bytes / BytesPerGigabyte, 'g', 3));
}

QString line(const Figures &figures)
{
    if (!figures.live && figures.records == 0)
        return QStringLiteral("Open a recording with File > Open, or pipe a program's output into "
                              "\"vestra-sensor-viewer -\"");
    QStringList parts{QStringLiteral("%1 records, %2 signals").arg(figures.records).arg(figures.signalCount)};
    if (figures.unreadableLines > 0)
        parts << QStringLiteral("%1 lines could not be read").arg(figures.unreadableLines);
    if (figures.live)
        parts << rate(figures.recordsPerSecond);
    parts << size(figures.bytes);
    if (figures.live)
        parts << (figures.following ? QStringLiteral("following") : QStringLiteral("paused at %1 s").arg(figures.pausedAt));
    if (figures.keepSeconds > 0)
        parts << QStringLiteral("keeping the last %1 s").arg(figures.keepSeconds);
    if (figures.dropping)
        parts << QStringLiteral("dropping the oldest: memory budget %1").arg(size(figures.budgetBytes));
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
