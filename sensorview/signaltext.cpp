#include "signaltext.h"

#include "liveanchor.h"
#include "textchars.h"

#include <QTextCodec>
#include <QTextStream>

#include <algorithm>
#include <climits>
#include <charconv>
#include <cstring>
#include <cmath>
#include <vector>


namespace {

// The writer hands its text to the stream in pieces of about this size.
constexpr int WriteChunk = 1 << 20;
constexpr int Utf8Mib = 106;

using TextChars::code;

inline bool isSpace(QChar c)
{
    const ushort u = c.unicode();
    if (u == ' ' || (u >= '\t' && u <= '\r'))
        return true;
    return u > 127 && c.isSpace();
}

inline bool isAsciiSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// What a line is read through: a string's characters, or the bytes of a
// line that is all ASCII (where UTF-8 and Latin-1 agree and only ASCII
// blanks count).
template<typename Char>
struct LineText;

template<>
struct LineText<QChar>
{
    static bool blank(QChar c) { return isSpace(c); }
    static QStringView field(const QChar *p, const QChar *end) { return QStringView(p, end - p); }
};

template<>
struct LineText<char>
{
    static bool blank(char c) { return isAsciiSpace(c); }
    static QLatin1String field(const char *p, const char *end) { return QLatin1String(p, int(end - p)); }
};

// `live` (when given) reads the line as live input and takes the record's
// time.
template<typename Char>
void parseLine(SignalData &store, const Char *begin, const Char *end, std::vector<double> &values,
               ParseCount &count, LiveAnchor *live = nullptr)
{
    using Text = LineText<Char>;
    // Only a "#" at the very start of the line makes a comment.
    if (begin < end && code(*begin) == '#')
        return;
    while (begin < end && Text::blank(*begin))
        ++begin;
    while (end > begin && Text::blank(end[-1]))
        --end;
    if (begin == end)
        return;
    if (live && std::any_of(begin, end, [](Char c) { return code(c) == 0; })) {
        ++count.unreadable;
        return;
    }

    decltype(Text::field(begin, end)) fields[2];
    qint64 found = 0;
    values.clear();
    const Char *p = begin;
    while (p < end) {
        const Char *fieldEnd = p;
        while (fieldEnd < end && code(*fieldEnd) != ';' && code(*fieldEnd) != '\t')
            ++fieldEnd;
        if (fieldEnd > p) {
            const auto field = Text::field(p, fieldEnd);
            if (found < 2)
                fields[found] = field;
            else if (values.size() < size_t(MostValuesPerRecord))
                values.push_back(SignalText::toDouble(field));
            ++found;
        }
        p = fieldEnd + 1;
    }
    if (found < 2) {
        ++count.unreadable;
        return;
    }
    if (found - 2 > MostValuesPerRecord) {
        ++count.unreadable;
        ++count.tooWide;
        return;
    }
    const double time = SignalText::toDouble(fields[1]) * MillisecondsPerSecond;
    if (live) {
        if (!std::isfinite(time)) {
            ++count.unreadable;
            return;
        }
        live->add(time);
    }
    store.addRecord(fields[0], time, values.data(), int(values.size()));
    ++count.records;
}

// Whether the reader would take a line that starts with `name` for a
// comment, or trim the name's start away.
bool needsLeadingSeparator(const QString &name)
{
    return !name.isEmpty() && (name.at(0) == QLatin1Char('#') || isSpace(name.at(0)));
}

void appendRecord(QString &out, const SignalData &store, quint32 id, double time)
{
    if (needsLeadingSeparator(store.name(id)))
        out += QLatin1Char(';');
    out += store.name(id);
    out += QLatin1Char('\t');
    SignalText::appendNumber(out, time / MillisecondsPerSecond);
    const double *values = store.values(id);
    const int count = store.valueCount(id);
    for (int i = 0; i < count; ++i) {
        out += QLatin1Char('\t');
        SignalText::appendNumber(out, values[i]);
    }
    out += QLatin1Char('\n');
}

void appendRecord(QByteArray &out, const QByteArray &name, const SignalData &store, quint32 id,
                  double time)
{
    out += name;
    out += '\t';
    SignalText::appendNumber(out, time / MillisecondsPerSecond);
    const double *values = store.values(id);
    const int count = store.valueCount(id);
    for (int i = 0; i < count; ++i) {
        out += '\t';
        SignalText::appendNumber(out, values[i]);
    }
    out += '\n';
}

// A stream that writes UTF-8 to a device takes the bytes straight, without
// the detour through a string and its encoder.
template<typename Iterator>
bool writeUtf8(QTextStream &stream, const SignalData &store, Iterator first, Iterator last,
               double offset)
{
    QIODevice *device = stream.device();
    if (!device || !stream.codec() || stream.codec()->mibEnum() != Utf8Mib || stream.generateByteOrderMark())
        return false;
    stream.flush();
    // A device may take only part of what it is given (a file at its size
    // limit); the next write then fails and says why.
    bool failed = false;
    const auto writeOut = [device, &failed, &stream](const QByteArray &bytes) {
        qint64 done = 0;
        while (!failed && done < bytes.size()) {
            const qint64 written = device->write(bytes.constData() + done, bytes.size() - done);
            if (written <= 0) {
                failed = true;
                stream.setStatus(QTextStream::WriteFailed);
            }
            done += qMax<qint64>(written, 0);
        }
    };
    QHash<QString, QByteArray> names;
    QByteArray out;
    out.reserve(WriteChunk + 4096);
    for (; first != last; ++first) {
        const QString &name = store.name(*first);
        auto it = names.constFind(name);
        if (it == names.constEnd())
            it = names.insert(name, needsLeadingSeparator(name) ? ';' + name.toUtf8() : name.toUtf8());
        appendRecord(out, it.value(), store, *first, store.time(*first) - offset);
        if (out.size() >= WriteChunk) {
            writeOut(out);
            out.clear();
            if (failed)
                return true;
        }
    }
    writeOut(out);
    return true;
}

template<typename Iterator>
void writeRecords(QTextStream &stream, const SignalData &store, Iterator first, Iterator last,
                  double offset)
{
    if (writeUtf8(stream, store, first, last, offset))
        return;
    QString out;
    out.reserve(WriteChunk + 4096);
    for (; first != last; ++first) {
        appendRecord(out, store, *first, store.time(*first) - offset);
        if (out.size() >= WriteChunk) {
            stream << out;
            out.clear();
        }
    }
    stream << out;
}

} // namespace

namespace {

ParseCount parseString(SignalData &store, const QString &text, LiveAnchor *live)
{
    ParseCount count;
    std::vector<double> values;
    values.reserve(16);
    const QChar *p = text.constData();
    const QChar *end = p + text.size();
    store.beginBatch();
    if (!text.contains(QLatin1Char('\n'))) {
        parseLine(store, p, end, values, count, live);
    } else {
        // Read as a text stream reads lines: a line ends at a line feed,
        // which takes a carriage return before it along.
        while (p < end) {
            const QChar *lineEnd = std::find(p, end, QLatin1Char('\n'));
            const QChar *contentEnd = lineEnd;
            if (lineEnd < end && contentEnd > p && contentEnd[-1].unicode() == '\r')
                --contentEnd;
            parseLine(store, p, contentEnd, values, count, live);
            p = lineEnd + 1;
        }
    }
    store.endBatch();
    return count;
}

} // namespace

ParseCount parseText(SignalData &store, const QString &text)
{
    return parseString(store, text, nullptr);
}

ParseCount parseLiveText(SignalData &store, const QString &text, LiveAnchor &anchor)
{
    return parseString(store, text, &anchor);
}

ParseCount parseUtf8(SignalData &store, const char *data, qint64 size)
{
    ParseCount count;
    const char *p = data;
    const char *end = data + size;
    // Room for everything at once: growing by doubling would copy the
    // arrays over and over.
    const qint64 lines = std::count(p, end, '\n') + 1;
    const qint64 separators = std::count(p, end, ';') + std::count(p, end, '\t');
    store.reserve(int(std::min<qint64>(lines, INT_MAX / 4)),
                  int(std::min<qint64>(std::max<qint64>(separators - lines, 0), INT_MAX / 4)));

    std::vector<double> values;
    values.reserve(16);
    store.beginBatch();
    const bool oneLine = std::find(p, end, '\n') == end;
    while (p < end || (oneLine && p == data)) {
        const char *lineEnd = oneLine ? end : std::find(p, end, '\n');
        const char *contentEnd = lineEnd;
        if (lineEnd < end && contentEnd > p && contentEnd[-1] == '\r')
            --contentEnd;
        if (std::all_of(p, contentEnd, [](char c) { return uchar(c) < 0x80; })) {
            parseLine(store, p, contentEnd, values, count);
        } else {
            const QString line = QString::fromUtf8(p, int(contentEnd - p));
            parseLine(store, line.constData(), line.constData() + line.size(), values, count);
        }
        p = lineEnd + 1;
        if (oneLine)
            break;
    }
    store.endBatch();
    return count;
}

void writeRecord(QTextStream &stream, const SignalRecord &record)
{
    QString out = needsLeadingSeparator(record.name) ? QStringLiteral(";") : QString();
    out += record.name;
    out += QLatin1Char('\t');
    SignalText::appendNumber(out, record.time / MillisecondsPerSecond);
    for (double value : record.values) {
        out += QLatin1Char('\t');
        SignalText::appendNumber(out, value);
    }
    out += QLatin1Char('\n');
    stream << out;
}

void writeAll(QTextStream &stream, const SignalData &store)
{
    writeRecords(stream, store, store.all().records.cbegin(), store.all().records.cend(), 0.0);
}

void writeRange(QTextStream &stream, const SignalData &store, double a, double b)
{
    const double lo = std::min(a, b);
    const double hi = std::max(a, b);
    // The records are in time order: the range is one run of them.
    const auto &records = store.all().records;
    const auto first = std::lower_bound(records.cbegin(), records.cend(), lo,
                                        [&store](quint32 id, double t) { return store.time(id) < t; });
    const auto last = std::upper_bound(first, records.cend(), hi,
                                       [&store](double t, quint32 id) { return t < store.time(id); });
    writeRecords(stream, store, first, last, lo);
}
