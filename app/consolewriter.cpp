#include "consolewriter.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {
// How long one insertion may hold the event loop.
constexpr qint64 FlushBudgetNs = 30 * 1000 * 1000;
// The most one insertion puts in: a piece of a large segment.
constexpr int PieceParagraphs = 1000;
constexpr int PieceCharacters = 64 * 1024;
const QChar LineFeed = QLatin1Char('\n');
}

ConsoleWriter::ConsoleWriter(QTextEdit *console, QObject *parent)
    : QObject(parent)
    , console(console)
{
    // A read-only log needs no undo, and the undo history would keep every
    // line that was ever shown.
    console->document()->setUndoRedoEnabled(false);
    flushTimer.setSingleShot(true);
    connect(&flushTimer, &QTimer::timeout, this, &ConsoleWriter::flushSome);
    sinceFlush.start();
}

int ConsoleWriter::breakLongParagraphs(QString &text)
{
    int paragraphs = 1;
    int lineStart = 0;
    bool tooLong = false;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == LineFeed) {
            ++paragraphs;
            lineStart = i + 1;
        } else if (i - lineStart >= MaxParagraphLength) {
            tooLong = true;
            break;
        }
    }
    if (!tooLong)
        return paragraphs;

    QString broken;
    broken.reserve(text.size() + text.size() / MaxParagraphLength + 1);
    paragraphs = 1;
    int run = 0;
    for (const QChar c : qAsConst(text)) {
        if (c == LineFeed) {
            run = 0;
            ++paragraphs;
        } else if (run == MaxParagraphLength) {
            broken += LineFeed;
            run = 1;
            ++paragraphs;
        } else {
            ++run;
        }
        broken += c;
    }
    text = broken;
    return paragraphs;
}

void ConsoleWriter::write(const QColor &color, const QString &text)
{
    QString shownText = text;
    const int paragraphs = breakLongParagraphs(shownText);
    // Consecutive writes of one colour join into one insertion: appending A
    // and then B is the same as appending A, a line break and B.
    if (!pending.empty() && pending.back().color == color) {
        Segment &last = pending.back();
        last.text += LineFeed;
        last.text += shownText;
        last.paragraphs += paragraphs;
        pendingCharacters += 1;
    } else {
        pending.push_back(Segment{color, shownText, paragraphs});
    }
    pendingParagraphs += paragraphs;
    pendingCharacters += shownText.size();
    dropOldestPending();
    scheduleFlush();
}

void ConsoleWriter::clear()
{
    pending.clear();
    pendingParagraphs = 0;
    pendingCharacters = 0;
    flushTimer.stop();
    console->clear();
}

void ConsoleWriter::flushAll()
{
    flushTimer.stop();
    while (!pending.empty()) {
        makeRoom(pending.front().paragraphs, pending.front().text.size());
        insert(pending.front());
        pending.pop_front();
    }
    pendingParagraphs = 0;
    pendingCharacters = 0;
    sinceFlush.restart();
}

void ConsoleWriter::scheduleFlush()
{
    if (flushTimer.isActive())
        return;
    // A lone write after a quiet spell shows at once; a stream of them is
    // gathered until the interval is over.
    const qint64 quiet = sinceFlush.elapsed();
    if (quiet >= FlushIntervalMs)
        flushSome();
    else
        flushTimer.start(int(FlushIntervalMs - quiet));
}

int ConsoleWriter::pieceEnd(const Segment &segment, int *paragraphs)
{
    if (segment.paragraphs <= PieceParagraphs && segment.text.size() <= PieceCharacters) {
        *paragraphs = segment.paragraphs;
        return segment.text.size();
    }
    // Whole paragraphs only; they are short enough that one always fits.
    int cut = segment.text.indexOf(LineFeed);
    *paragraphs = 1;
    while (*paragraphs < PieceParagraphs) {
        const int next = segment.text.indexOf(LineFeed, cut + 1);
        if (next < 0 || next > PieceCharacters)
            break;
        cut = next;
        ++*paragraphs;
    }
    return cut;
}

void ConsoleWriter::flushSome()
{
    QElapsedTimer budget;
    budget.start();
    bool inserted = false;
    while (!pending.empty() && budget.nsecsElapsed() < FlushBudgetNs) {
        Segment &front = pending.front();
        // Insert a large segment a piece at a time so one call stays short.
        int incoming = 0;
        const int end = pieceEnd(front, &incoming);
        // Trimming takes a slice of its own, at the start of one.
        if (!hasRoom(incoming, end)) {
            if (!inserted)
                makeRoom(incoming, end);
            break;
        }
        inserted = true;
        if (end < front.text.size()) {
            insert(Segment{front.color, front.text.left(end), incoming});
            front.text.remove(0, end + 1);
            front.paragraphs -= incoming;
            pendingParagraphs -= incoming;
            pendingCharacters -= end + 1;
        } else {
            insert(front);
            pendingParagraphs -= front.paragraphs;
            pendingCharacters -= front.text.size();
            pending.pop_front();
        }
    }
    sinceFlush.restart();
    if (!pending.empty())
        flushTimer.start(0);
}

// Does what QTextEdit::append does for plain text, without ever reading the
// text as HTML: program output holding "<b>" or "<p>" stays as printed.
void ConsoleWriter::insert(const Segment &segment)
{
    console->setTextColor(segment.color);
    QScrollBar *bar = console->verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();

    QTextDocument *doc = console->document();
    const QTextCharFormat format = console->currentCharFormat();
    QTextCursor end(doc);
    end.beginEditBlock();
    end.movePosition(QTextCursor::End);
    if (!doc->isEmpty())
        end.insertBlock(console->textCursor().blockFormat(), format);
    else
        end.setCharFormat(format);
    end.insertText(segment.text, format);
    end.endEditBlock();
    shown += segment.paragraphs;

    if (atBottom)
        bar->setValue(bar->maximum());
}

// Whatever waits beyond the newest MaxParagraphs (or MaxCharacters) would
// be trimmed from the console right after being shown: drop it before it
// is ever laid out.
void ConsoleWriter::dropOldestPending()
{
    while ((pendingParagraphs > MaxParagraphs || pendingCharacters > MaxCharacters) && !pending.empty()) {
        Segment &front = pending.front();
        if (pending.size() > 1
            && (pendingParagraphs - front.paragraphs >= MaxParagraphs
                || pendingCharacters - front.text.size() - 1 >= MaxCharacters)) {
            pendingParagraphs -= front.paragraphs;
            pendingCharacters -= front.text.size() + 1;
            pending.pop_front();
            continue;
        }
        // Drop whole paragraphs from the front of the oldest segment until
        // both bounds hold.
        int cut = -1;
        int dropped = 0;
        while (pendingParagraphs - dropped > MaxParagraphs || pendingCharacters - (cut + 1) > MaxCharacters) {
            const int next = front.text.indexOf(LineFeed, cut + 1);
            if (next < 0)
                break;
            cut = next;
            ++dropped;
        }
        if (dropped == 0)
            break;
        front.text.remove(0, cut + 1);
        front.paragraphs -= dropped;
        pendingParagraphs -= dropped;
        pendingCharacters -= cut + 1;
    }
}

bool ConsoleWriter::hasRoom(int incoming, qint64 incomingCharacters) const
{
    const QTextDocument *doc = console->document();
    return doc->blockCount() + incoming <= MaxParagraphs
           && doc->characterCount() + incomingCharacters <= MaxCharacters;
}

bool ConsoleWriter::makeRoom(int incoming, qint64 incomingCharacters)
{
    QTextDocument *doc = console->document();
    if (hasRoom(incoming, incomingCharacters))
        return false;
    // Keep the newest half, by paragraphs and by characters.
    const int keepBlocks = qMax(0, qMin(TrimmedParagraphs, MaxParagraphs - incoming));
    const qint64 keepCharacters = qMax<qint64>(0, qMin(MaxCharacters / 2, MaxCharacters - incomingCharacters));
    QTextBlock first = doc->findBlockByNumber(qMax(0, doc->blockCount() - keepBlocks));
    const int end = doc->characterCount();
    while (first.isValid() && end - first.position() > keepCharacters)
        first = first.next();
    if (!first.isValid()) {
        console->clear();
        return true;
    }
    QTextCursor head(doc);
    head.movePosition(QTextCursor::Start);
    head.setPosition(first.position(), QTextCursor::KeepAnchor);
    head.removeSelectedText();
    return true;
}
