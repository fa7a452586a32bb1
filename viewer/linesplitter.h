#pragma once

#include <QByteArray>
#include <QString>

// Cuts the bytes of live input into whole lines of text, as they arrive.
//
// A record is never split between two pieces of text, and each byte is
// looked at once however long a line grows. Only text reaches the view: a
// line that holds a zero byte, or that is not UTF-8, is a program's binary
// output or garbage, and a line longer than LongestLine is no record; such
// lines are dropped (a long one up to its line feed, without being kept)
// and counted.
class LineSplitter
{
public:
    static constexpr int LongestLine = 1 << 20;

    struct Lines
    {
        // Whole lines, each with its line feed.
        QString text;
        qint64 unreadable = 0;

        bool isEmpty() const { return text.isEmpty() && unreadable == 0; }
    };

    // The whole lines that `bytes` completes; a line still waiting for its
    // line feed stays until it comes.
    Lines take(const QByteArray &bytes);
    // The input has ended: a last line without a line feed counts too.
    Lines finish();

    // Whether bytes are UTF-8 text: no zero byte, no malformed, overlong or
    // surrogate sequence, nothing beyond U+10FFFF.
    static bool isText(const char *begin, const char *end);

private:
    // Takes one whole line (with its line feed, if any) into `lines`.
    void takeLine(const char *begin, const char *end, QByteArray &good, Lines &lines) const;

    // The start of a line whose line feed has not come yet.
    QByteArray partial;
    // Within a line too long to keep, until its line feed.
    bool dropping = false;
};
