#include "stdinreader.h"

#include <QFile>

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
    QByteArray pending;
    for (;;) {
        const QByteArray bytes = input.read(ChunkBytes);
        if (bytes.isEmpty()) {
            if (!input.atEnd() && input.error() == QFileDevice::NoError)
                continue;
            break;
        }
        pending += bytes;
        const int lastLineEnd = pending.lastIndexOf('\n');
        if (lastLineEnd < 0)
            continue;
        if (!waitForRoom())
            return;
        emit linesRead(QString::fromUtf8(pending.constData(), lastLineEnd + 1));
        pending.remove(0, lastLineEnd + 1);
    }
    if (!pending.isEmpty() && waitForRoom())
        emit linesRead(QString::fromUtf8(pending));
    emit inputEnded();
}
