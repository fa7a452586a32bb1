#include "linesplitter.h"

#include <cstring>

namespace {

bool isPlainAscii(const char *begin, const char *end)
{
    for (const char *p = begin; p < end; ++p) {
        if (*p == 0 || static_cast<unsigned char>(*p) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

bool LineSplitter::isText(const char *begin, const char *end)
{
    const auto *p = reinterpret_cast<const unsigned char *>(begin);
    const auto *last = reinterpret_cast<const unsigned char *>(end);
    while (p < last) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            if (lead == 0)
                return false;
            ++p;
            continue;
        }
        // 0xC0 and 0xC1 could only start overlong forms; past 0xF4 lies
        // beyond U+10FFFF.
        int more = 0;
        if (lead >= 0xC2 && lead <= 0xDF)
            more = 1;
        else if (lead >= 0xE0 && lead <= 0xEF)
            more = 2;
        else if (lead >= 0xF0 && lead <= 0xF4)
            more = 3;
        else
            return false;
        if (last - p <= more)
            return false;
        char32_t code = lead & (0x3F >> more);
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        if ((more == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF)))
            || (more == 3 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        p += more + 1;
    }
    return true;
}

void LineSplitter::takeLine(const char *begin, const char *end, QByteArray &good, Lines &lines) const
{
    const char *content = end > begin && end[-1] == '\n' ? end - 1 : end;
    if (content - begin > LongestLine || !isText(begin, content)) {
        ++lines.unreadable;
        return;
    }
    good.append(begin, int(end - begin));
}

LineSplitter::Lines LineSplitter::take(const QByteArray &bytes)
{
    Lines lines;
    QByteArray good;
    const char *p = bytes.constData();
    const char *end = p + bytes.size();
    while (p < end) {
        const auto *lineEnd = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        if (!lineEnd) {
            if (!dropping) {
                partial.append(p, int(end - p));
                if (partial.size() > LongestLine) {
                    partial.clear();
                    dropping = true;
                    ++lines.unreadable;
                }
            }
            break;
        }
        const char *next = lineEnd + 1;
        if (dropping) {
            dropping = false;
        } else if (!partial.isEmpty()) {
            partial.append(p, int(next - p));
            takeLine(partial.constData(), partial.constData() + partial.size(), good, lines);
            partial.clear();
        } else {
            // Lines of plain ASCII, as nearly all are, go on in one piece;
            // none of them can be too long when all of them are not.
            const char *lastEnd = end - 1;
            while (*lastEnd != '\n')
                --lastEnd;
            if (lastEnd - p < LongestLine && isPlainAscii(p, lastEnd)) {
                good.append(p, int(lastEnd + 1 - p));
                next = lastEnd + 1;
            } else {
                takeLine(p, next, good, lines);
            }
        }
        p = next;
    }
    lines.text = QString::fromUtf8(good);
    return lines;
}

LineSplitter::Lines LineSplitter::finish()
{
    Lines lines;
    QByteArray good;
    if (!dropping && !partial.isEmpty())
        takeLine(partial.constData(), partial.constData() + partial.size(), good, lines);
    partial.clear();
    dropping = false;
    lines.text = QString::fromUtf8(good);
    return lines;
}
