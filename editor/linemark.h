#pragma once

#include <QString>

// A line the editor's gutter marks, as the last build left it: an error or
// a warning there, and what was said of it.
struct LineMark
{
    // From 1.
    int line = 0;
    bool error = true;
    QString message;
};
