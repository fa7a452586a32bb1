#include "diagnostics.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>

#include <algorithm>
#include <iterator>

namespace Diagnostics {

namespace {

// A line longer than this is no diagnostic worth a link, and its unfinished
// part is not kept growing for ever.
constexpr int LongestLine = 64 * 1024;

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The number of digits at `at`, read into `value`; 0 when there are none
// or too many to be a line number.
int readNumber(QStringView line, int at, int *value)
{
    int end = at;
    while (end < line.size() && isDigit(line.at(end)) && end - at < 9)
        ++end;
    if (end == at || (end < line.size() && isDigit(line.at(end))))
        return 0;
    *value = line.mid(at, end - at).toInt();
    return end - at;
}

bool startsWith(QStringView line, int at, QLatin1String word)
{
    return line.mid(at).startsWith(word);
}

} // namespace

std::optional<Diagnostic> parse(QStringView line)
{
    while (!line.isEmpty() && (line.back() == QLatin1Char('\r') || line.back() == QLatin1Char('\n')))
        line.chop(1);
    if (line.size() < 6 || line.front().isSpace())
        return std::nullopt;
    // The file ends at the first colon followed by a line number and a
    // colon; a Windows drive's colon is followed by a slash.
    for (int colon = line.indexOf(QLatin1Char(':'), 1); colon > 0; colon = line.indexOf(QLatin1Char(':'), colon + 1)) {
        int lineNumber = 0;
        const int digits = readNumber(line, colon + 1, &lineNumber);
        if (digits == 0)
            continue;
        int at = colon + 1 + digits;
        if (at >= line.size() || line.at(at) != QLatin1Char(':'))
            continue;
        // "file:N:" stands here: whatever follows decides, and no later
        // colon makes a file name of this one's number.
        if (lineNumber == 0)
            return std::nullopt;
        ++at;
        int column = 0;
        const int columnDigits = readNumber(line, at, &column);
        if (columnDigits > 0 && at + columnDigits < line.size() && line.at(at + columnDigits) == QLatin1Char(':'))
            at += columnDigits + 1;
        else
            column = 0;
        if (at >= line.size() || line.at(at) != QLatin1Char(' '))
            return std::nullopt;
        ++at;
        Diagnostic found;
        if (startsWith(line, at, QLatin1String("*** "))) {
            found.kind = Kind::Error;
            at += 4;
        } else if (startsWith(line, at, QLatin1String("error: "))) {
            found.kind = Kind::Error;
            at += 7;
        } else if (startsWith(line, at, QLatin1String("fatal error: "))) {
            found.kind = Kind::Error;
            at += 13;
        } else if (startsWith(line, at, QLatin1String("warning: "))) {
            found.kind = Kind::Warning;
            at += 9;
        } else if (startsWith(line, at, QLatin1String("note: "))) {
            found.kind = Kind::Note;
            at += 6;
        } else {
            return std::nullopt;
        }
        found.file = line.left(colon).toString();
        found.line = lineNumber;
        found.column = column;
        found.message = line.mid(at).toString();
        found.text = line.toString();
        return found;
    }
    return std::nullopt;
}

QString pathOf(const Diagnostic &diagnostic, const QString &folder)
{
    return QDir::cleanPath(QDir(folder).absoluteFilePath(diagnostic.file));
}

int shownIn(const QVector<Diagnostic> &found, QStringView paragraph)
{
    while (!paragraph.isEmpty() && paragraph.back().isSpace())
        paragraph.chop(1);
    if (paragraph.isEmpty())
        return -1;
    for (int i = 0; i < found.size(); ++i) {
        if (found.at(i).text == paragraph)
            return i;
    }
    // A piece: the first part of a line that ends in the next paragraph,
    // or a later part of one.
    constexpr int ShortestPiece = 4;
    if (paragraph.size() < ShortestPiece)
        return -1;
    for (int i = 0; i < found.size(); ++i) {
        if (found.at(i).text.contains(paragraph))
            return i;
    }
    return -1;
}

QVector<LineMark> marksFor(const QVector<Diagnostic> &found, const QString &folder, const QString &path)
{
    const QString wanted = QFileInfo(path).absoluteFilePath();
    QMap<int, LineMark> byLine;
    for (const Diagnostic &diagnostic : found) {
        if (diagnostic.kind == Kind::Note || QFileInfo(pathOf(diagnostic, folder)).absoluteFilePath() != wanted)
            continue;
        LineMark &mark = byLine[diagnostic.line];
        const bool first = mark.line == 0;
        mark.line = diagnostic.line;
        mark.error = (!first && mark.error) || diagnostic.kind == Kind::Error;
        mark.message += (first ? QString() : QStringLiteral("\n")) + diagnostic.text;
    }
    return byLine.values().toVector();
}

int step(const QVector<Diagnostic> &found, int current, int step)
{
    const int count = found.size();
    if (current < 0 || current >= count)
        current = step > 0 ? -1 : count;
    for (int i = 1; i <= count; ++i) {
        const int at = ((current + step * i) % count + count) % count;
        if (found.at(at).kind != Kind::Note)
            return at;
    }
    return -1;
}

void Collector::add(Stream stream, QStringView chunk)
{
    QString &rest = unfinished[stream];
    const int firstBreak = chunk.indexOf(QLatin1Char('\n'));
    if (firstBreak >= 0) {
        // The line the last chunk left unfinished ends here.
        const QStringView head = chunk.left(firstBreak);
        if (rest.isEmpty() && !overlong[stream])
            take(head);
        else if (!overlong[stream] && rest.size() + head.size() <= LongestLine)
            take(rest += head);
        rest.clear();
        overlong[stream] = false;
        const int lastBreak = chunk.lastIndexOf(QLatin1Char('\n'));
        scan(chunk.mid(firstBreak + 1, lastBreak - firstBreak));
        chunk = chunk.mid(lastBreak + 1);
    }
    if (overlong[stream] || rest.size() + chunk.size() > LongestLine) {
        rest.clear();
        overlong[stream] = true;
    } else {
        rest += chunk;
    }
}

// Whole lines, most of them no diagnostic: only a line where ": " stands
// before one of the words a diagnostic opens with is read closely.
void Collector::scan(QStringView lines)
{
    static const QLatin1String words[] = {QLatin1String("error: "), QLatin1String("warning: "),
                                          QLatin1String("note: "), QLatin1String("fatal error: "),
                                          QLatin1String("*** ")};
    const int size = lines.size();
    for (int at = lines.indexOf(QLatin1Char(':')); at >= 0 && at + 2 < size && diagnostics.size() < MostKept;
         at = lines.indexOf(QLatin1Char(':'), at + 1)) {
        if (lines.at(at + 1) != QLatin1Char(' '))
            continue;
        // Most colons stand in ordinary text: the first letter tells.
        const char16_t first = lines.at(at + 2).unicode();
        if (first != u'e' && first != u'w' && first != u'n' && first != u'f' && first != u'*')
            continue;
        const QStringView after = lines.mid(at + 2);
        if (std::none_of(std::begin(words), std::end(words), [after](QLatin1String word) { return after.startsWith(word); }))
            continue;
        const int start = at > 0 ? lines.lastIndexOf(QLatin1Char('\n'), at - 1) + 1 : 0;
        int end = lines.indexOf(QLatin1Char('\n'), at);
        if (end < 0)
            end = size;
        take(lines.mid(start, end - start));
        at = end;
    }
}

void Collector::finish()
{
    for (int stream : {Output, Error}) {
        if (!unfinished[stream].isEmpty() && !overlong[stream])
            take(unfinished[stream]);
        unfinished[stream].clear();
        overlong[stream] = false;
    }
}

void Collector::clear()
{
    for (int stream : {Output, Error}) {
        unfinished[stream].clear();
        overlong[stream] = false;
    }
    diagnostics.clear();
}

void Collector::take(QStringView line)
{
    if (diagnostics.size() >= MostKept || line.size() > LongestLine || line.indexOf(QLatin1Char(':')) < 0)
        return;
    if (std::optional<Diagnostic> found = parse(line))
        diagnostics.append(*found);
}

} // namespace Diagnostics
