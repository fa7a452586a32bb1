#include "stdinreader.h"

#include "linesplitter.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>

namespace {
// How often a reader waiting for room looks whether it was stopped.
constexpr int StopCheckMs = 100;
}

StdinReader::StdinReader(QObject *parent, FILE *source)
    : QThread(parent)
    , source(source)
{
}

void StdinReader::chunkTaken()
{
    room.release();
}

void StdinReader::stop()
{
    stopping = true;
}

bool StdinReader::waitForRoom()
{
    while (!room.tryAcquire(1, StopCheckMs)) {
        if (stopping)
            return false;
    }
    return !stopping;
}

void StdinReader::run()
{
    QFile input;
    if (!input.open(source, QIODevice::ReadOnly))
        return;
    LineSplitter splitter;
    for (;;) {
        const QByteArray bytes = input.read(ChunkBytes);
        if (bytes.isEmpty()) {
            if (!input.atEnd() && input.error() == QFileDevice::NoError)
                continue;
            break;
        }
        const LineSplitter::Lines lines = splitter.take(bytes);
        if (lines.isEmpty())
            continue;
        if (!waitForRoom())
            return;
        emit linesRead(lines.text, int(lines.unreadable));
    }
    const LineSplitter::Lines last = splitter.finish();
    if (!last.isEmpty() && waitForRoom())
        emit linesRead(last.text, int(last.unreadable));
    emit inputEnded();
}

LiveFeed::LiveFeed(StdinReader &reader, Take take, QObject *parent)
    : QObject(parent)
    , reader(reader)
    , take(std::move(take))
{
    connect(&reader, &StdinReader::linesRead, this, &LiveFeed::arrived);
    connect(&reader, &StdinReader::inputEnded, this, &LiveFeed::readerEnded);
}

void LiveFeed::readerEnded()
{
    ended = true;
    if (!handing)
        emit inputEnded();
}

void LiveFeed::arrived(const QString &lines, int unreadable)
{
    waiting.emplace_back(lines, unreadable);
    if (handing)
        return;
    handing = true;
    // Posted while the loop hands out posted events, it waits for the next
    // turn: what else waits gets its turn first.
    QMetaObject::invokeMethod(this, &LiveFeed::handOne, Qt::QueuedConnection);
}

void LiveFeed::handOne()
{
    if (waiting.empty()) {
        handing = false;
        if (ended)
            emit inputEnded();
        return;
    }
    auto &[lines, unreadable] = waiting.front();
    const int cut = lines.size() > pieceCharacters ? lines.lastIndexOf(QLatin1Char('\n'), pieceCharacters - 1) : -1;
    QElapsedTimer clock;
    clock.start();
    if (cut >= 0) {
        take(lines.left(cut + 1), unreadable);
        lines.remove(0, cut + 1);
        unreadable = 0;
    } else {
        take(lines, unreadable);
        waiting.pop_front();
        reader.chunkTaken();
    }
    const qint64 took = clock.elapsed();
    if (took > TurnMs)
        pieceCharacters = std::max(SmallestPiece, pieceCharacters / 2);
    else if (took < TurnMs / 4)
        pieceCharacters = std::min(int(StdinReader::ChunkBytes), pieceCharacters * 2);
    if (!waiting.empty()) {
        QMetaObject::invokeMethod(this, &LiveFeed::handOne, Qt::QueuedConnection);
        return;
    }
    handing = false;
    if (ended)
        emit inputEnded();
}
