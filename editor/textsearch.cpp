#include "textsearch.h"

namespace TextSearch {

QTextCursor findWrapping(QTextDocument &document, const QTextCursor &from, const QString &text,
                         QTextDocument::FindFlags flags)
{
    if (text.isEmpty())
        return from;
    QTextCursor found = document.find(text, from, flags);
    if (found.isNull())
        found = document.find(text, QTextCursor(&document), flags);
    return found.isNull() ? QTextCursor(&document) : found;
}

} // namespace TextSearch
