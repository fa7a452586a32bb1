#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
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

    explicit ConsoleWriter(QTextEdit *console, QObject *parent = nullptr);

    // Appends `text` as a new paragraph in `color`; line breaks inside it
    // start further paragraphs.
    void write(const QColor &color, const QString &text);

    // Empties the console and forgets what was waiting to be shown.
    void clear();

    // Shows everything that is waiting, however long it takes.
    void flushAll();

    bool hasPending() const { return !pending.empty(); }

    // Paragraphs put into the console so far, trimmed ones included.
    qint64 shownParagraphs() const { return shown; }

private:
    struct Segment
    {
        QColor color;
        QString text;
        int paragraphs = 1;
    };

    // Inserts a line break into every stretch of more than
    // MaxParagraphLength characters without one; returns the paragraphs.
    static int breakLongParagraphs(QString &text);
    // Where the first piece of `segment` that can be inserted in one go
    // ends, and how many paragraphs it holds.
    static int pieceEnd(const Segment &segment, int *paragraphs);

    void scheduleFlush();
    void flushSome();
    void insert(const Segment &segment);
    void dropOldestPending();
    // Makes room for `incoming` more paragraphs. Returns true when it had
    // to trim, which takes a slice of time of its own.
    bool makeRoom(int incoming, qint64 incomingCharacters);
    bool hasRoom(int incoming, qint64 incomingCharacters) const;

    QTextEdit *console = nullptr;
    std::deque<Segment> pending;
    qint64 pendingParagraphs = 0;
    qint64 pendingCharacters = 0;
    qint64 shown = 0;
    QTimer flushTimer;
    QElapsedTimer sinceFlush;
};
