#include "consolewriter.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {
// How long one insertion may hold the event loop.
constexpr qint64 FlushBudgetNs = 30 * 1000 * 1000;
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

void ConsoleWriter::write(const QColor &color, const QString &text)
{
    const int paragraphs = text.count(LineFeed) + 1;
    // Consecutive writes of one colour join into one insertion: appending A
    // and then B is the same as appending A, a line break and B.
    if (!pending.empty() && pending.back().color == color) {
        Segment &last = pending.back();
        last.text += LineFeed;
        last.text += text;
        last.paragraphs += paragraphs;
    } else {
        pending.push_back(Segment{color, text, paragraphs});
    }
    pendingParagraphs += paragraphs;
    dropOldestPending();
    scheduleFlush();
}

void ConsoleWriter::clear()
{
    pending.clear();
    pendingParagraphs = 0;
    flushTimer.stop();
    console->clear();
}

void ConsoleWriter::flushAll()
{
    flushTimer.stop();
    while (!pending.empty()) {
        makeRoom(pending.front().paragraphs);
        insert(pending.front());
        pending.pop_front();
    }
    pendingParagraphs = 0;
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
    bool inserted = false;
    while (!pending.empty() && budget.nsecsElapsed() < FlushBudgetNs) {
        Segment &front = pending.front();
        // Insert a large segment a piece at a time so one call stays short.
        constexpr int PieceParagraphs = 1000;
        const int incoming = qMin(front.paragraphs, PieceParagraphs);
        // Trimming takes a slice of its own, at the start of one.
        if (!hasRoom(incoming)) {
            if (!inserted)
                makeRoom(incoming);
            break;
        }
        inserted = true;
        if (front.paragraphs > PieceParagraphs) {
            int cut = -1;
            for (int i = 0; i < PieceParagraphs; ++i)
                cut = front.text.indexOf(LineFeed, cut + 1);
            insert(Segment{front.color, front.text.left(cut), PieceParagraphs});
            front.text.remove(0, cut + 1);
            front.paragraphs -= PieceParagraphs;
            pendingParagraphs -= PieceParagraphs;
        } else {
            insert(front);
            pendingParagraphs -= front.paragraphs;
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

// Whatever waits beyond the newest MaxParagraphs would be trimmed from the
// console right after being shown: drop it before it is ever laid out.
void ConsoleWriter::dropOldestPending()
{
    while (pendingParagraphs > MaxParagraphs && !pending.empty()) {
        Segment &front = pending.front();
        const qint64 excess = pendingParagraphs - MaxParagraphs;
        if (front.paragraphs <= excess) {
            pendingParagraphs -= front.paragraphs;
            pending.pop_front();
            continue;
        }
        int cut = -1;
        for (qint64 i = 0; i < excess; ++i)
            cut = front.text.indexOf(LineFeed, cut + 1);
        front.text.remove(0, cut + 1);
        front.paragraphs -= int(excess);
        pendingParagraphs -= excess;
    }
}

bool ConsoleWriter::hasRoom(int incoming) const
{
    return console->document()->blockCount() + incoming <= MaxParagraphs;
}

bool ConsoleWriter::makeRoom(int incoming)
{
    QTextDocument *doc = console->document();
    if (hasRoom(incoming))
        return false;
    const int keep = qMax(0, qMin(TrimmedParagraphs, MaxParagraphs - incoming));
    const int excess = doc->blockCount() - keep;
    if (excess >= doc->blockCount()) {
        console->clear();
        return true;
    }
    QTextCursor head(doc);
    head.movePosition(QTextCursor::Start);
    head.setPosition(doc->findBlockByNumber(excess).position(), QTextCursor::KeepAnchor);
    head.removeSelectedText();
    return true;
}
