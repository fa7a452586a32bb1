#pragma once

#include "recordlimits.h"
#include "signaldata.h"

class LiveAnchor;
class QTextStream;

// The text form of records: one per line, the signal's name, the time in
// seconds and the channel values. Fields are read apart at ";" or a tab and
// written apart with a tab; numbers are written with six significant digits.

// What a chunk of text held.
struct ParseCount
{
    qint64 records = 0;
    // Lines that are neither blank nor comments, yet hold no record.
    qint64 unreadable = 0;
    // Of those, the lines that held more than MostValuesPerRecord values.
    qint64 tooWide = 0;
    // Of the records, those whose line was split at ";" only.
    qint64 semicolonRecords = 0;

    ParseCount &operator+=(const ParseCount &other)
    {
        records += other.records;
        unreadable += other.unreadable;
        tooWide += other.tooWide;
        semicolonRecords += other.semicolonRecords;
        return *this;
    }

    // The separator every record line used: ";" when all used it, else the
    // tab the writer uses.
    char separator() const { return records > 0 && semicolonRecords == records ? ';' : '\t'; }
};

// Reads a chunk of text into `store`. Lines with fewer than two fields and
// lines opened by "#" are skipped; a field that is not a number reads as 0.
// A line with more than MostValuesPerRecord values is not read.
ParseCount parseText(SignalData &store, const QString &text);
// The same for UTF-8 bytes, as a file holds them, without making a string of
// them all first.
ParseCount parseUtf8(SignalData &store, const char *data, qint64 size);
// Live input, read as parseText reads, except that a line whose time is not
// a finite number, or that holds a zero character, is unreadable: a running
// program's garbage must not reach the store. The times of the records
// read go to `anchor`, in the order they came.
ParseCount parseLiveText(SignalData &store, const QString &text, LiveAnchor &anchor);

// A name the reader would not read back as it is (one that starts with "#"
// or a blank) is written after a leading separator, which the reader skips.
void writeRecord(QTextStream &stream, const SignalRecord &record);
// `separator` stands between the fields, ";" or a tab.
void writeAll(QTextStream &stream, const SignalData &store, char separator = '\t');
// The records from min(a, b) to max(a, b), both included, with times counted
// from the start of the range.
void writeRange(QTextStream &stream, const SignalData &store, double a, double b, char separator = '\t');

namespace SignalText {

// Converts a field exactly as QString::toDouble does (0.0 where it fails),
// quickly for the plain decimal numbers the examples print.
double toDouble(QStringView field);
double toDouble(QLatin1String field);
// Reads a plain decimal ([-]digits[.digits], at most fifteen digits) from
// `p` on, as toDouble() reads it: where it ends, or nullptr where no such
// number starts there.
const char *readPlainDecimal(const char *p, const char *end, double *value);

// Formats a number exactly as QString::number(value, 'g', 6) does.
void appendNumber(QString &out, double value);
void appendNumber(QByteArray &out, double value);

} // namespace SignalText
