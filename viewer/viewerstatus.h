#pragma once

#include <QString>

// What the viewer's status bar says, as plain functions of the figures it
// shows, so every case is a table row.
namespace ViewerStatus {

// The figures of the live status line.
struct Figures
{
    qint64 records = 0;
    int signalCount = 0;
    qint64 unreadableLines = 0;
    double recordsPerSecond = 0.0;
    qint64 bytes = 0;
    // Whether the recording comes live: a file shows no rate and no pause.
    bool live = false;
    bool following = true;
    // Where the view stands when it does not follow, in seconds.
    double pausedAt = 0.0;
    // The live window in seconds; 0 keeps everything.
    double keepSeconds = 0.0;
    bool inputEnded = false;
    // The bytes live input may take, and whether it had to drop records
    // to stay within them.
    qint64 budgetBytes = 0;
    bool dropping = false;
};

QString line(const Figures &figures);

// A rate as a person reads it: 950 records/s, 12.3 k records/s, 1.66 M
// records/s.
QString rate(double recordsPerSecond);
// A size in KB below a MB, in MB with a decimal below a GB, and in GB
// from there on, with three digits at most.
QString size(qint64 bytes);

// What a file that was opened held: its records and signals, and the
// lines that could not be read (of those, the ones with too many values).
QString readCounts(qint64 records, int signalCount, qint64 unreadableLines, qint64 tooWideLines);

// The records that came in `elapsedMs`, per second. A count that went back
// started again from none (Clear does that).
double perSecond(qint64 before, qint64 now, qint64 elapsedMs);

} // namespace ViewerStatus
