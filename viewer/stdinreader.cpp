#include "stdinreader.h"

#include <QFile>

namespace {
constexpr qint64 ChunkBytes = 64 * 1024;
}

StdinReader::StdinReader(QObject *parent, FILE *source)
    : QThread(parent)
    , source(source)
{
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
        emit linesRead(QString::fromUtf8(pending.constData(), lastLineEnd + 1));
        pending.remove(0, lastLineEnd + 1);
    }
    if (!pending.isEmpty())
        emit linesRead(QString::fromUtf8(pending));
}
