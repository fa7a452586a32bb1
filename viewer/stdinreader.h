#pragma once

#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <cstdio>

// Reads standard input on a thread of its own (a blocking read would stall
// the window) and hands whole lines to the GUI thread in chunks.
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
    void linesRead(const QString &lines);
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
