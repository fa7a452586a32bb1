#pragma once

#include <QChar>

// The reader works on a string's characters and on a line's bytes alike:
// each gives its code as a number.
namespace TextChars {

inline ushort code(QChar c)
{
    return c.unicode();
}

inline ushort code(char c)
{
    return uchar(c);
}

} // namespace TextChars
