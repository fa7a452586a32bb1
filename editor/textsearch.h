#pragma once

#include <QTextCursor>
#include <QTextDocument>

namespace TextSearch {

// The next match of `text` after `from`, or the first one from the start of
// the document when none follows; a cursor at the start when there is none
// at all, and `from` itself when `text` is empty. With FindBackward: the
// match before `from`, else the last one.
QTextCursor findWrapping(QTextDocument &document, const QTextCursor &from, const QString &text,
                         QTextDocument::FindFlags flags);

// Where "Go to Line" puts the cursor for what the user typed: "line" or
// "line:column", both from 1, brought into the document (a line past the
// end is the last, a column past a line's end is its end). -1 when the
// text is no such place.
int placeOf(const QTextDocument &document, const QString &typed);

} // namespace TextSearch
