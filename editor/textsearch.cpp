#include "textsearch.h"

#include <QStringList>
#include <QTextBlock>

#include <algorithm>
#include <limits>

namespace TextSearch {

QTextCursor findWrapping(QTextDocument &document, const QTextCursor &from, const QString &text,
                         QTextDocument::FindFlags flags)
{
    if (text.isEmpty())
        return from;
    QTextCursor found = document.find(text, from, flags);
    if (found.isNull()) {
        QTextCursor wrapped(&document);
        if (flags & QTextDocument::FindBackward)
            wrapped.movePosition(QTextCursor::End);
        found = document.find(text, wrapped, flags);
    }
    return found.isNull() ? QTextCursor(&document) : found;
}

namespace {

// A whole number as typed; one too large for any line stands at the end of
// its direction.
bool readNumber(const QString &text, qlonglong *value)
{
    const QString digits = text.trimmed();
    bool ok = false;
    *value = digits.toLongLong(&ok);
    if (ok)
        return true;
    const bool negative = digits.startsWith(QLatin1Char('-'));
    const QStringView magnitude = QStringView(digits).mid(negative || digits.startsWith(QLatin1Char('+')) ? 1 : 0);
    if (magnitude.isEmpty() || !std::all_of(magnitude.begin(), magnitude.end(), [](QChar c) { return c.isDigit(); }))
        return false;
    *value = negative ? std::numeric_limits<qlonglong>::min() : std::numeric_limits<qlonglong>::max();
    return true;
}

} // namespace

int placeOf(const QTextDocument &document, const QString &typed)
{
    const QStringList parts = typed.split(QLatin1Char(':'));
    qlonglong line = 0;
    qlonglong column = 1;
    if (parts.size() > 2 || !readNumber(parts.at(0), &line) || (parts.size() == 2 && !readNumber(parts.at(1), &column)))
        return -1;
    const int lineIndex = int(qBound<qlonglong>(1, line, document.blockCount())) - 1;
    const QTextBlock block = document.findBlockByNumber(lineIndex);
    const int columnIndex = int(qBound<qlonglong>(1, column, block.length())) - 1;
    return block.position() + columnIndex;
}

} // namespace TextSearch
