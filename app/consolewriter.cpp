#include "consolewriter.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {
// How long one insertion may hold the event loop.
constexpr qint64 FlushBudgetNs = 30 * 1000 * 1000;
// More waiting than this is shown newest first: showing it in order would
// take more than a few slices.
constexpr qint64 NewestFirstCharacters = 4 * ConsoleWriter::PieceCharacters;
constexpr qint64 NewestFirstParagraphs = 4 * ConsoleWriter::PieceParagraphs;
const QChar LineFeed = QLatin1Char('\n');

// Where the first piece of `text` from `from` on ends (at a line feed or
// the text's end), and how many paragraphs it holds.
int pieceEnd(const QString &text, int from, int *paragraphs)
{
    int end = from;
    int count = 0;
    for (;;) {
        const int lineFeed = text.indexOf(LineFeed, count == 0 ? from : end + 1);
        const int stop = lineFeed < 0 ? text.size() : lineFeed;
        if (count > 0 && (count == ConsoleWriter::PieceParagraphs || stop - from > ConsoleWriter::PieceCharacters))
            break;
        end = stop;
        ++count;
        if (lineFeed < 0)
            break;
    }
    *paragraphs = count;
    return end;
}
} // namespace

void ConsoleWriter::Queue::push(Segment segment)
{
    paragraphs += segment.paragraphs;
    characters += segment.text.size() + 1;
    segments.push_back(std::move(segment));
}

ConsoleWriter::Segment ConsoleWriter::Queue::popFront()
{
    Segment segment = std::move(segments.front());
    segments.pop_front();
    paragraphs -= segment.paragraphs;
    characters -= segment.text.size() + 1;
    return segment;
}

ConsoleWriter::Segment ConsoleWriter::Queue::popBack()
{
    Segment segment = std::move(segments.back());
    segments.pop_back();
    paragraphs -= segment.paragraphs;
    characters -= segment.text.size() + 1;
    return segment;
}

void ConsoleWriter::Queue::clear()
{
    segments.clear();
    paragraphs = 0;
    characters = 0;
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
    followEndOfText();
}

// The view stays at the newest text while the user leaves it there, also
// while text goes in above it.
void ConsoleWriter::followEndOfText()
{
    QScrollBar *bar = console->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
        if (!scrolling)
            followEnd = value >= bar->maximum();
    });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (!followEnd)
            return;
        scrolling = true;
        bar->setValue(maximum);
        scrolling = false;
    });
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
    enqueue(color, shownText, paragraphs);
    dropOldestPending();
    scheduleFlush();
}

void ConsoleWriter::enqueue(const QColor &color, const QString &text, int paragraphs)
{
    // Consecutive writes of one colour join into one insertion: appending A
    // and then B is the same as appending A, a line break and B.
    if (!pending.empty()) {
        Segment &last = pending.segments.back();
        if (last.color == color && last.paragraphs + paragraphs <= PieceParagraphs
            && last.text.size() + 1 + text.size() <= PieceCharacters) {
            last.text += LineFeed;
            last.text += text;
            last.paragraphs += paragraphs;
            pending.paragraphs += paragraphs;
            pending.characters += text.size() + 1;
            return;
        }
    }
    // In pieces, so that dropping the oldest of them or inserting one costs
    // no more than a piece, however much waits.
    for (int from = 0;;) {
        int pieceParagraphs = 0;
        const int end = pieceEnd(text, from, &pieceParagraphs);
        pending.push(Segment{color, text.mid(from, end - from), pieceParagraphs});
        if (end >= text.size())
            break;
        from = end + 1;
    }
}

void ConsoleWriter::clear()
{
    pending.clear();
    backlog.clear();
    backfillAt = QTextCursor();
    flushTimer.stop();
    console->clear();
}

void ConsoleWriter::flushAll()
{
    flushTimer.stop();
    while (!pending.empty()) {
        const Segment &front = pending.segments.front();
        makeRoom(front.paragraphs, front.text.size());
        appendAtEnd(pending.popFront());
    }
    while (!backlog.empty())
        insertAboveShown(backlog.popBack());
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

void ConsoleWriter::flushSome()
{
    QElapsedTimer budget;
    budget.start();
    // With a backlog still to go in, what waits now goes in after what is
    // shown, in order, unless all of it together is more than the console
    // keeps: then the backlog is the oldest, and goes.
    const QTextDocument *doc = console->document();
    const bool allFit = doc->characterCount() + backlog.characters + pending.characters <= MaxCharacters
                        && doc->blockCount() + backlog.paragraphs + pending.paragraphs <= MaxParagraphs;
    if ((pending.characters > NewestFirstCharacters || pending.paragraphs > NewestFirstParagraphs)
        && (backlog.empty() || !allFit))
        showNewestFirst();
    bool inserted = false;
    while (!pending.empty() && budget.nsecsElapsed() < FlushBudgetNs) {
        const Segment &front = pending.segments.front();
        // Trimming takes a slice of its own, at the start of one.
        if (!hasRoom(front.paragraphs, front.text.size())) {
            if (!inserted)
                makeRoom(front.paragraphs, front.text.size());
            break;
        }
        appendAtEnd(pending.popFront());
        inserted = true;
    }
    while (pending.empty() && !backlog.empty() && budget.nsecsElapsed() < FlushBudgetNs)
        insertAboveShown(backlog.popBack());
    sinceFlush.restart();
    // The pause between slices is the window's, to read the programs'
    // output among other things.
    if (hasPending())
        flushTimer.start(FlushIntervalMs);
}

void ConsoleWriter::showNewestFirst()
{
    // A backlog still waiting is older than all that waits now.
    dropBacklog();
    Segment newest = pending.popBack();
    makeRoom(newest.paragraphs, newest.text.size());
    std::swap(backlog, pending);
    const int paragraphs = newest.paragraphs;
    appendAtEnd(newest);
    const QTextBlock first = console->document()->findBlockByNumber(console->document()->blockCount() - paragraphs);
    if (first.blockNumber() <= 0)
        return;
    backfillAt = QTextCursor(console->document());
    backfillAt.setPosition(first.position() - 1);
    backfillAt.setKeepPositionOnInsert(true);
}

QTextCharFormat ConsoleWriter::formatFor(const QColor &color) const
{
    console->setTextColor(color);
    return console->currentCharFormat();
}

// Does what QTextEdit::append does for plain text, without ever reading the
// text as HTML: program output holding "<b>" or "<p>" stays as printed.
void ConsoleWriter::appendAtEnd(const Segment &segment)
{
    const QTextCharFormat format = formatFor(segment.color);
    QTextDocument *doc = console->document();
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
}

// The segment goes in above the text shown below the backlog, as its own
// paragraphs.
void ConsoleWriter::insertAboveShown(const Segment &segment)
{
    if (!hasRoom(segment.paragraphs, segment.text.size())) {
        // What stands above is older than the backlog: it goes first; and
        // what still does not fit is older than all that fills the console.
        if (!backfillAt.isNull()) {
            QTextCursor above(console->document());
            above.setPosition(backfillAt.position() + 1, QTextCursor::KeepAnchor);
            above.removeSelectedText();
            backfillAt = QTextCursor();
        }
        if (!hasRoom(segment.paragraphs, segment.text.size())) {
            dropBacklog();
            return;
        }
    }
    const QTextCharFormat format = formatFor(segment.color);
    QTextDocument *doc = console->document();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    if (backfillAt.isNull()) {
        const QTextBlock first = doc->begin();
        const QTextCharFormat firstFormat = first.charFormat();
        const QTextBlockFormat firstBlockFormat = first.blockFormat();
        cursor.insertText(segment.text, format);
        cursor.insertBlock(firstBlockFormat, firstFormat);
    } else {
        cursor.setPosition(backfillAt.position());
        cursor.insertBlock(console->textCursor().blockFormat(), format);
        cursor.insertText(segment.text, format);
    }
    cursor.endEditBlock();
    shown += segment.paragraphs;
    if (backlog.empty())
        backfillAt = QTextCursor();
}

void ConsoleWriter::dropBacklog()
{
    backlog.clear();
    if (backfillAt.isNull())
        return;
    QTextCursor above(console->document());
    above.setPosition(backfillAt.position() + 1, QTextCursor::KeepAnchor);
    above.removeSelectedText();
    backfillAt = QTextCursor();
}

// Whatever waits beyond the newest MaxParagraphs (or MaxCharacters) would
// be trimmed from the console right after being shown: drop it before it
// is ever laid out.
void ConsoleWriter::dropOldestPending()
{
    const auto over = [this]() { return pending.paragraphs > MaxParagraphs || pending.characters > MaxCharacters; };
    while (over() && pending.segments.size() > 1) {
        const Segment &front = pending.segments.front();
        if (pending.paragraphs - front.paragraphs < MaxParagraphs
            && pending.characters - front.text.size() - 1 < MaxCharacters)
            break;
        pending.popFront();
    }
    if (!over())
        return;
    // Whole paragraphs from the front of the oldest segment until both
    // bounds hold.
    Segment &front = pending.segments.front();
    int cut = -1;
    int dropped = 0;
    while (pending.paragraphs - dropped > MaxParagraphs || pending.characters - (cut + 1) > MaxCharacters) {
        const int next = front.text.indexOf(LineFeed, cut + 1);
        if (next < 0)
            break;
        cut = next;
        ++dropped;
    }
    front.text.remove(0, cut + 1);
    front.paragraphs -= dropped;
    pending.paragraphs -= dropped;
    pending.characters -= cut + 1;
}

bool ConsoleWriter::hasRoom(int incoming, qint64 incomingCharacters) const
{
    const QTextDocument *doc = console->document();
    return doc->blockCount() + incoming <= MaxParagraphs
           && doc->characterCount() + incomingCharacters <= MaxCharacters;
}

bool ConsoleWriter::makeRoom(int incoming, qint64 incomingCharacters)
{
    if (hasRoom(incoming, incomingCharacters))
        return false;
    // The backlog and what stands above it are the oldest.
    dropBacklog();
    if (hasRoom(incoming, incomingCharacters))
        return true;
    QTextDocument *doc = console->document();
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
