#pragma once

#include <QTextCursor>
#include <QTextDocument>

namespace TextSearch {

// The next match of `text` after `from`, or the first one from the start of
// the document when none follows; a cursor at the start when there is none
// at all, and `from` itself when `text` is empty.
QTextCursor findWrapping(QTextDocument &document, const QTextCursor &from, const QString &text,
                         QTextDocument::FindFlags flags);

} // namespace TextSearch
