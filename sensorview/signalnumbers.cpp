// Numbers in the text form of records: read exactly as QString::toDouble
// reads them and written exactly as QString::number(value, 'g', 6) writes
// them, without their detours through locales and strings.
#include "signaltext.h"

#include "textchars.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

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
    if (exactConvert(field.data(), field.size(), &value)
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
