#include "signaltext.h"

#include "liveanchor.h"
#include "textchars.h"

#include <QTextCodec>
#include <QTextStream>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <type_traits>
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

// Eight bytes at a time: whether none has its top bit set.
inline bool isAscii(const char *p, const char *end)
{
    quint64 bits = 0;
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, sizeof word);
        bits |= word;
    }
    for (; p < end; ++p)
        bits |= uchar(*p);
    return (bits & 0x8080808080808080ull) == 0;
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
    // Which separators the line used: 1 ";", 2 a tab.
    int separators = 0;
    const Char *p = begin;
    const auto isSeparator = [](Char c) { return code(c) == ';' || code(c) == '\t'; };
    while (p < end) {
        const Char *fieldEnd = p;
        // A value of a line of bytes is read while its end is looked for,
        // when it is a plain decimal: one pass over its bytes, not two.
        double value = 0.0;
        bool converted = false;
        if constexpr (std::is_same_v<Char, char>) {
            if (found >= 2) {
                const char *read = SignalText::readPlainDecimal(p, end, &value);
                converted = read && (read == end || isSeparator(*read));
                if (converted)
                    fieldEnd = read;
            }
        }
        while (fieldEnd < end && !isSeparator(*fieldEnd))
            ++fieldEnd;
        if (fieldEnd < end)
            separators |= code(*fieldEnd) == ';' ? 1 : 2;
        if (fieldEnd > p) {
            const auto field = Text::field(p, fieldEnd);
            if (found < 2)
                fields[found] = field;
            else if (values.size() < size_t(MostValuesPerRecord))
                values.push_back(converted ? value : SignalText::toDouble(field));
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
    if (separators == 1)
        ++count.semicolonRecords;
}

// Whether the reader would take a line that starts with `name` for a
// comment, or trim the name's start away.
bool needsLeadingSeparator(const QString &name)
{
    return !name.isEmpty() && (name.at(0) == QLatin1Char('#') || isSpace(name.at(0)));
}

void appendRecord(QString &out, const SignalData &store, quint32 id, double time, char separator)
{
    if (needsLeadingSeparator(store.name(id)))
        out += QLatin1Char(';');
    out += store.name(id);
    out += QLatin1Char(separator);
    SignalText::appendNumber(out, time / MillisecondsPerSecond);
    const double *values = store.values(id);
    const int count = store.valueCount(id);
    for (int i = 0; i < count; ++i) {
        out += QLatin1Char(separator);
        SignalText::appendNumber(out, values[i]);
    }
    out += QLatin1Char('\n');
}

void appendRecord(QByteArray &out, const QByteArray &name, const SignalData &store, quint32 id,
                  double time, char separator)
{
    out += name;
    out += separator;
    SignalText::appendNumber(out, time / MillisecondsPerSecond);
    const double *values = store.values(id);
    const int count = store.valueCount(id);
    for (int i = 0; i < count; ++i) {
        out += separator;
        SignalText::appendNumber(out, values[i]);
    }
    out += '\n';
}

// A stream that writes UTF-8 to a device takes the bytes straight, without
// the detour through a string and its encoder.
template<typename Iterator>
bool writeUtf8(QTextStream &stream, const SignalData &store, Iterator first, Iterator last,
               double offset, char separator)
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
        appendRecord(out, it.value(), store, *first, store.time(*first) - offset, separator);
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
                  double offset, char separator)
{
    if (writeUtf8(stream, store, first, last, offset, separator))
        return;
    QString out;
    out.reserve(WriteChunk + 4096);
    for (; first != last; ++first) {
        appendRecord(out, store, *first, store.time(*first) - offset, separator);
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
    // Room for about everything at once: growing by doubling would copy
    // the arrays over and over. The lines and the values a line holds are
    // those of a sample from the start, a little more to be safe, never
    // more than the bytes could hold (a record takes four at least, a value
    // two). A guess too small only means some growing.
    constexpr qint64 SampleBytes = 64 * 1024;
    const char *sampleEnd = p + std::min<qint64>(size, SampleBytes);
    const qint64 sampleLines = std::count(p, sampleEnd, '\n') + 1;
    const qint64 sampleSeparators = std::count_if(p, sampleEnd, [](char c) { return c == ';' || c == '\t'; });
    const double valuesPerLine = std::max<double>(sampleSeparators - sampleLines, 0) / double(sampleLines);
    const double sampleSize = double(std::max<qint64>(sampleEnd - p, 1));
    const double expectedLines = std::min(1.02 * double(size) * double(sampleLines) / sampleSize + 16, double(size) / 4 + 1);
    const double expectedValues = std::min(valuesPerLine * expectedLines, double(size) / 2);
    store.reserve(int(std::min<double>(expectedLines, INT_MAX / 4)), int(std::min<double>(expectedValues, INT_MAX / 4)));

    std::vector<double> values;
    values.reserve(16);
    store.beginBatch();
    const bool oneLine = std::memchr(p, '\n', size_t(size)) == nullptr;
    while (p < end || (oneLine && p == data)) {
        const char *lineEnd = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        if (!lineEnd)
            lineEnd = end;
        const char *contentEnd = lineEnd;
        if (lineEnd < end && contentEnd > p && contentEnd[-1] == '\r')
            --contentEnd;
        if (isAscii(p, contentEnd)) {
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

void writeAll(QTextStream &stream, const SignalData &store, char separator)
{
    writeRecords(stream, store, store.all().records.cbegin(), store.all().records.cend(), 0.0, separator);
}

void writeRange(QTextStream &stream, const SignalData &store, double a, double b, char separator)
{
    const double lo = std::min(a, b);
    const double hi = std::max(a, b);
    // The records are in time order: the range is one run of them.
    const auto &records = store.all().records;
    const auto first = std::lower_bound(records.cbegin(), records.cend(), lo,
                                        [&store](quint32 id, double t) { return store.time(id) < t; });
    const auto last = std::upper_bound(first, records.cend(), hi,
                                       [&store](double t, quint32 id) { return t < store.time(id); });
    writeRecords(stream, store, first, last, lo, separator);
}

// Numbers in the text form of records: read exactly as QString::toDouble
// reads them and written exactly as QString::number(value, 'g', 6) writes
// them, without their detours through locales and strings.

namespace SignalText {

namespace {

constexpr int LongestQuickField = 40;
constexpr int SignificantDigits = 6;

inline bool isDigit(ushort c)
{
    return c >= '0' && c <= '9';
}

using TextChars::code;

constexpr double PowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int ExactPowers = 22;
constexpr int ExactDigits = 15;

// The plain decimals that sensors print ([-]digits[.digits], up to fifteen
// significant digits): the digits make an integer that a double holds
// exactly, and one multiplication or division by an exact power of ten
// rounds the result once, correctly, as every correct reader does.
template<typename Char>
bool exactConvert(const Char *c, int length, double *result)
{
    int i = 0;
    const bool negative = length > 0 && code(c[0]) == '-';
    if (negative)
        ++i;
    quint64 mantissa = 0;
    int significant = 0;
    int scale = 0;
    int digits = 0;
    bool point = false;
    int fractionDigits = 0;
    for (; i < length; ++i) {
        const ushort u = code(c[i]);
        if (isDigit(u)) {
            ++digits;
            if (point)
                ++fractionDigits;
            if (mantissa == 0 && u == '0') {
                if (point)
                    --scale;
                continue;
            }
            if (++significant > ExactDigits)
                return false;
            mantissa = mantissa * 10 + (u - '0');
            if (point)
                --scale;
        } else if (u == '.' && !point) {
            if (digits == 0)
                return false;
            point = true;
        } else {
            return false;
        }
    }
    if (digits == 0 || (point && fractionDigits == 0))
        return false;
    if (mantissa == 0) {
        *result = negative ? -0.0 : 0.0;
        return true;
    }
    if (-scale > ExactPowers)
        return false;
    const double value = double(mantissa) / PowersOfTen[-scale];
    *result = negative ? -value : value;
    return true;
}


// [-]digits[.digits][(e|E)[+|-]digits] and nothing else: a form whose value
// every correct decimal reader rounds the same way.
template<typename Char>
bool quickConvert(const Char *c, int length, double *result)
{
    if (length == 0 || length > LongestQuickField)
        return false;
    char ascii[LongestQuickField];
    int i = 0;
    if (code(c[0]) == '-')
        ascii[i++] = '-';
    bool nonZero = false;
    const auto digits = [&]() {
        const int start = i;
        while (i < length && isDigit(code(c[i]))) {
            nonZero = nonZero || code(c[i]) != '0';
            ascii[i] = char(code(c[i]));
            ++i;
        }
        return i - start;
    };
    if (digits() == 0)
        return false;
    if (i < length && code(c[i]) == '.') {
        ascii[i++] = '.';
        if (digits() == 0)
            return false;
    }
    const bool mantissaNonZero = nonZero;
    if (i < length && (code(c[i]) == 'e' || code(c[i]) == 'E')) {
        ascii[i++] = 'e';
        if (i < length && (code(c[i]) == '+' || code(c[i]) == '-')) {
            ascii[i] = char(code(c[i]));
            ++i;
        }
        if (digits() == 0)
            return false;
    }
    if (i != length)
        return false;
    double value = 0.0;
    const auto [end, error] = std::from_chars(ascii, ascii + length, value);
    if (error != std::errc() || end != ascii + length)
        return false;
    // Overflow, underflow and subnormal results take the careful road.
    if (value == 0.0 ? mantissaNonZero : !std::isnormal(value))
        return false;
    *result = value;
    return true;
}

} // namespace

// The commonest field of all, [-]digits[.digits] with at most fifteen
// digits, read in two tight loops: exactConvert() gives the same value, as
// the same integer divided by the same power of ten.
const char *readPlainDecimal(const char *p, const char *end, double *result)
{
    const bool negative = p < end && *p == '-';
    p += negative;
    quint64 mantissa = 0;
    const char *digitsStart = p;
    while (p < end && uchar(*p - '0') < 10)
        mantissa = mantissa * 10 + quint64(*p++ - '0');
    const long wholeDigits = p - digitsStart;
    long fractionDigits = 0;
    if (p < end && *p == '.') {
        const char *fraction = ++p;
        while (p < end && uchar(*p - '0') < 10)
            mantissa = mantissa * 10 + quint64(*p++ - '0');
        fractionDigits = p - fraction;
        if (fractionDigits == 0)
            return nullptr;
    }
    if (wholeDigits == 0 || wholeDigits + fractionDigits > ExactDigits)
        return nullptr;
    if (mantissa == 0) {
        *result = negative ? -0.0 : 0.0;
        return p;
    }
    const double value = double(mantissa) / PowersOfTen[fractionDigits];
    *result = negative ? -value : value;
    return p;
}

double toDouble(QStringView field)
{
    double value;
    if (exactConvert(field.data(), field.size(), &value)
        || quickConvert(field.data(), field.size(), &value))
        return value;
    return field.toString().toDouble();
}

double toDouble(QLatin1String field)
{
    double value;
    const char *read = readPlainDecimal(field.data(), field.data() + field.size(), &value);
    if ((read && read == field.data() + field.size()) || exactConvert(field.data(), field.size(), &value)
        || quickConvert(field.data(), field.size(), &value))
        return value;
    return QString(field).toDouble();
}

namespace {

// The common case of sensor data: a value that is the double nearest to a
// decimal of at most six significant digits, written without an exponent
// (1e-4 <= |value| < 1e6). Returns 0 for any other value.
int formatPlainDecimal(char *text, double value)
{
    const double magnitude = std::abs(value);
    if (!(magnitude >= 1e-4 && magnitude < 1e6))
        return 0;
    // Scale the value to six digits before the point...
    constexpr double SixDigitFloor[] = {1e5, 1e4, 1e3, 1e2, 1e1, 1e0, 1e-1, 1e-2, 1e-3, 1e-4};
    int scale = 0;
    while (magnitude < SixDigitFloor[scale])
        ++scale;
    const double rounded = std::nearbyint(magnitude * PowersOfTen[scale]);
    if (rounded < 1e5 || rounded >= 1e6)
        return 0;
    // ...and take the six digits only if they read back as the value exactly
    // (both are exact doubles, so one division rounds correctly); then they
    // are what rounding the value to six digits gives.
    if (rounded / PowersOfTen[scale] != magnitude)
        return 0;
    char digits[6];
    auto integer = quint32(rounded);
    for (int i = 5; i >= 0; --i) {
        digits[i] = char('0' + integer % 10);
        integer /= 10;
    }
    int count = 6;
    while (count > 1 && digits[count - 1] == '0')
        --count;
    const int whole = 6 - scale;
    int n = 0;
    if (value < 0)
        text[n++] = '-';
    if (whole > 0) {
        for (int i = 0; i < whole; ++i)
            text[n++] = digits[i];
        if (count > whole) {
            text[n++] = '.';
            for (int i = whole; i < count; ++i)
                text[n++] = digits[i];
        }
    } else {
        text[n++] = '0';
        text[n++] = '.';
        for (int i = whole; i < 0; ++i)
            text[n++] = '0';
        for (int i = 0; i < count; ++i)
            text[n++] = digits[i];
    }
    return n;
}

// Whether the decimal digits[0..count) x 10^(exponent - count + 1), the
// shortest form of a double, is that double exactly and lies halfway
// between two six-digit numbers.
bool isExactHalfway(const char *digits, int count, int exponent)
{
    if (count != SignificantDigits + 1 || digits[count - 1] != '5')
        return false;
    const int lastDigitPower = exponent - count + 1;
    if (lastDigitPower >= 0)
        return true; // a whole number: take the careful road
    // A decimal fraction is a double exactly when its digits hold as many
    // factors of five as it has decimal places.
    quint64 mantissa = 0;
    for (int i = 0; i < count; ++i)
        mantissa = mantissa * 10 + quint64(digits[i] - '0');
    constexpr int MostFives = 27;
    if (-lastDigitPower > MostFives)
        return false;
    quint64 fives = 1;
    for (int i = 0; i < -lastDigitPower; ++i)
        fives *= 5;
    return mantissa % fives == 0;
}

// Writes `value` as QString::number(value, 'g', 6) does into `text` (room for
// 40 characters) and returns the length.
// Writes the values whose text never varies (not a number, the infinities
// and zero); returns the length, or 0 for any other value.
int formatFixedSpelling(char *text, double value)
{
    const auto put = [text](const char *word) {
        const int length = int(std::strlen(word));
        std::memcpy(text, word, size_t(length));
        return length;
    };
    if (std::isnan(value))
        return put("nan");
    if (std::isinf(value))
        return put(value < 0 ? "-inf" : "inf");
    // Negative zero too, as Qt writes it.
    if (value == 0.0)
        return put("0");
    return 0;
}

// Lays out up to six significant `digits` with the decimal `exponent` of
// the first one as 'g' does: plain, or in exponent form for very small and
// large values.
int layOutDigits(char *text, bool negative, const char *digits, int count, int exponent)
{
    int n = 0;
    if (negative)
        text[n++] = '-';
    if (exponent < -4 || exponent >= SignificantDigits) {
        text[n++] = digits[0];
        if (count > 1) {
            text[n++] = '.';
            for (int i = 1; i < count; ++i)
                text[n++] = digits[i];
        }
        text[n++] = 'e';
        text[n++] = exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10)
            text[n++] = '0';
        return int(std::to_chars(text + n, text + 40, magnitude).ptr - text);
    }
    if (exponent >= 0) {
        for (int i = 0; i <= exponent; ++i)
            text[n++] = i < count ? digits[i] : '0';
        if (count > exponent + 1) {
            text[n++] = '.';
            for (int i = exponent + 1; i < count; ++i)
                text[n++] = digits[i];
        }
        return n;
    }
    text[n++] = '0';
    text[n++] = '.';
    for (int i = -1; i > exponent; --i)
        text[n++] = '0';
    for (int i = 0; i < count; ++i)
        text[n++] = digits[i];
    return n;
}

int formatNumber(char *text, double value)
{
    if (const int written = formatFixedSpelling(text, value))
        return written;
    const int quick = formatPlainDecimal(text, value);
    if (quick > 0)
        return quick;
    // The shortest digits that read back as the value: when there are no
    // more than six, rounding the value to six digits gives those very
    // digits (the value lies within a hair of them), and only their layout
    // is left to do.
    char shortest[32];
    const auto end = std::to_chars(shortest, shortest + sizeof shortest, value,
                                   std::chars_format::scientific).ptr;
    char digits[24];
    int count = 0;
    const char *p = shortest;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    for (; p < end && *p != 'e'; ++p) {
        if (*p != '.')
            digits[count++] = *p;
    }
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exponent);
    // Subnormal numbers are too coarse for that: their shortest digits may
    // lie far from the value.
    if (count <= SignificantDigits && std::isnormal(value))
        return layOutDigits(text, negative, digits, count, exponent);
    // Rounding to six digits: the library rounds a value exactly halfway to
    // the even digit where Qt rounds it up, so such a value goes to Qt.
    if (isExactHalfway(digits, count, exponent) || !std::isnormal(value)) {
        const QByteArray qt = QString::number(value, 'g', SignificantDigits).toLatin1();
        std::memcpy(text, qt.constData(), size_t(qt.size()));
        return qt.size();
    }
    const auto result = std::to_chars(text, text + 40, value, std::chars_format::general, SignificantDigits);
    return int(result.ptr - text);
}

} // namespace

void appendNumber(QString &out, double value)
{
    char text[40];
    out += QLatin1String(text, formatNumber(text, value));
}

void appendNumber(QByteArray &out, double value)
{
    char text[40];
    out.append(text, formatNumber(text, value));
}

} // namespace SignalText
