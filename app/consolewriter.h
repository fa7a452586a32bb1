#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTextCursor>
#include <QTimer>

#include <deque>

class QTextEdit;

// Writes coloured paragraphs into the console.
//
// Each write shows exactly what QTextEdit::setTextColor followed by append()
// of the plain text would show, but a program that prints without pause
// must not freeze the window or fill the memory. So writes that arrive
// faster than the eye can read are gathered and put in as one insertion a
// few times a second, no insertion takes more than a slice of time, and only
// the newest paragraphs are kept: never more than `MaxParagraphs`.
//
// Laying text out is what costs, some seconds for a full console. When more
// waits than one insertion shows, the newest of it is shown first, at the
// bottom, and what came before it goes in above it afterwards, a slice at a
// time: the line that closes a step shows at once however much came before
// it, and the window keeps reading the program's output meanwhile. Once
// everything is in, the console holds what showing it in order would.
class ConsoleWriter : public QObject
{
    Q_OBJECT

public:
    // Removing paragraphs from the top makes the console lay out everything
    // it holds again: about 1.3 ms per thousand paragraphs held, however few
    // go. So a full console sheds half of them at once rather than a few
    // with every write, and is never allowed more than keeps that one pause
    // well under a tenth of a second.
    static constexpr int MaxParagraphs = 60000;
    static constexpr int TrimmedParagraphs = MaxParagraphs / 2;
    static constexpr int FlushIntervalMs = 40;
    // Laying out one paragraph costs in proportion to its length, however
    // little of it changes: output without line breaks is shown as display
    // paragraphs of at most this many characters.
    static constexpr int MaxParagraphLength = 4096;
    // Long paragraphs cost more to lay out again on a trim than short
    // ones, so the characters held are bounded too.
    static constexpr qint64 MaxCharacters = 8 * 1000 * 1000;
    // The most one insertion puts in: a segment of what waits.
    static constexpr int PieceParagraphs = 1000;
    static constexpr int PieceCharacters = 64 * 1024;

    explicit ConsoleWriter(QTextEdit *console, QObject *parent = nullptr);

    // Appends `text` as a new paragraph in `color`; line breaks inside it
    // start further paragraphs.
    void write(const QColor &color, const QString &text);

    // Empties the console and forgets what was waiting to be shown.
    void clear();

    // Shows everything that is waiting, however long it takes.
    void flushAll();

    bool hasPending() const { return !pending.empty() || !backlog.empty(); }

    // Paragraphs put into the console so far, trimmed ones included.
    qint64 shownParagraphs() const { return shown; }

private:
    // Paragraphs of one colour, at most a piece of them; the text holds
    // no line break at its end.
    struct Segment
    {
        QColor color;
        QString text;
        int paragraphs = 1;
    };

    // Segments in the order they were written, with their totals (a
    // segment's characters count its paragraph break too).
    struct Queue
    {
        std::deque<Segment> segments;
        qint64 paragraphs = 0;
        qint64 characters = 0;

        bool empty() const { return segments.empty(); }
        void push(Segment segment);
        Segment popFront();
        Segment popBack();
        void clear();
    };

    // Inserts a line break into every stretch of more than
    // MaxParagraphLength characters without one; returns the paragraphs.
    static int breakLongParagraphs(QString &text);
    // Adds `text` to what waits, in segments no larger than a piece.
    void enqueue(const QColor &color, const QString &text, int paragraphs);

    void scheduleFlush();
    void flushSome();
    // Moves all but the newest piece of what waits to the backlog.
    void showNewestFirst();
    void appendAtEnd(const Segment &segment);
    void insertAboveShown(const Segment &segment);
    void dropOldestPending();
    // Drops the backlog, and what the console shows above where it would
    // have gone: all of it is older than what is shown below.
    void dropBacklog();
    // Makes room for `incoming` more paragraphs. Returns true when it had
    // to trim, which takes a slice of time of its own.
    bool makeRoom(int incoming, qint64 incomingCharacters);
    bool hasRoom(int incoming, qint64 incomingCharacters) const;
    QTextCharFormat formatFor(const QColor &color) const;
    void followEndOfText();

    QTextEdit *console = nullptr;
    // Written, not shown yet: newer than everything the console shows.
    Queue pending;
    // Older than the text the console shows below `backfillAt`, newer than
    // what it shows above: goes in there, newest piece first.
    Queue backlog;
    // The end of the last paragraph above where the backlog goes, or, when
    // nothing is above, the null cursor (the backlog goes in at the top).
    QTextCursor backfillAt;
    qint64 shown = 0;
    QTimer flushTimer;
    QElapsedTimer sinceFlush;
    // Whether the view stays at the newest text as the console grows; the
    // user scrolling up stops it, scrolling to the end starts it again.
    bool followEnd = true;
    bool scrolling = false;
};
