#pragma once

#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <deque>
#include <functional>

// Reads standard input on a thread of its own (a blocking read would stall
// the window) and hands whole lines of text to the GUI thread in chunks
// (see LineSplitter: what is not text is dropped and counted).
//
// At most MaxWaitingChunks chunks wait for the window at any time: while
// the window is behind, the reader stops reading, the pipe fills and the
// producer waits. Memory then holds the recording and nothing else.
class StdinReader : public QThread
{
    Q_OBJECT

public:
    static constexpr int MaxWaitingChunks = 2;
    static constexpr qint64 ChunkBytes = 64 * 1024;

    // Reads `source` (standard input unless a test gives another stream).
    explicit StdinReader(QObject *parent = nullptr, FILE *source = stdin);

    // The window has taken a chunk: the reader may hand on another.
    void chunkTaken();
    // Ends the thread at its next chunk; one blocked in a read stays there.
    void stop();

signals:
    // Complete lines only: a record is never split between two chunks.
    // `unreadable`: the lines dropped since the last chunk.
    void linesRead(const QString &lines, int unreadable);
    // After the last chunk: the input has ended.
    void inputEnded();

protected:
    void run() override;

private:
    // Waits for room for one more chunk; false when stopped meanwhile.
    bool waitForRoom();

    FILE *source = nullptr;
    QSemaphore room{MaxWaitingChunks};
    std::atomic<bool> stopping{false};
};

// Hands a reader's chunks to whoever takes them, a piece of whole lines per
// turn of the event loop, and tells the reader when each chunk is taken.
// The event loop takes every chunk that waits when it looks, and a chunk
// that brings thousands of new signals holds the window for tens of
// milliseconds. So pieces shrink while taking one lasts longer than
// TurnMs, and grow back to whole chunks while it is quick: each turn costs
// a little, and most chunks are cheap.
class LiveFeed : public QObject
{
    Q_OBJECT

public:
    static constexpr int TurnMs = 20;
    static constexpr int SmallestPiece = 2 * 1024;

    using Take = std::function<void(const QString &lines, int unreadable)>;

    LiveFeed(StdinReader &reader, Take take, QObject *parent = nullptr);

signals:
    // The reader's input has ended and every chunk of it was taken.
    void inputEnded();

private:
    void arrived(const QString &lines, int unreadable);
    void readerEnded();
    void handOne();

    StdinReader &reader;
    Take take;
    std::deque<std::pair<QString, int>> waiting;
    bool handing = false;
    bool ended = false;
    int pieceCharacters = StdinReader::ChunkBytes;
};
