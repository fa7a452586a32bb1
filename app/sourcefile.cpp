#include "sourcefile.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

namespace SourceFile {

namespace {
const QLatin1String BoardMarker("#VCE_Board_Definitions");
}

QString decodeUpToZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? bytes : bytes.left(zero));
}

std::optional<ReadResult> read(const QString &path)
{
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    ReadResult result;
    result.text = decodeUpToZero(bytes);
    result.truncatedAtZeroByte = bytes.contains('\0');
    return result;
}

bool write(const QString &path, const QString &text, QString *errorString)
{
    // Unbuffered: a buffered QSaveFile in Qt 5 can lose the last buffer's
    // write failure at commit() and then replace the file all the same.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *errorString = file.errorString();
        return false;
    }
    const QByteArray bytes = text.toUtf8();
    if (!writeFully(file, bytes, errorString)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *errorString = file.errorString();
        return false;
    }
    return true;
}

bool writeFully(QFileDevice &file, const QByteArray &bytes, QString *errorString)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        // A short write says nothing of why; the next one fails with the
        // system's own reason ("File too large", "No space left on device").
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            *errorString = file.errorString();
            return false;
        }
        done += written;
    }
    return true;
}

QStringList parseBoardDefinitionLine(const QString &line)
{
    static const QRegularExpression separators(QStringLiteral("(:|;)"));
    QStringList pieces = line.split(separators, Qt::SkipEmptyParts);
    if (!pieces.isEmpty())
        pieces.removeFirst();
    QStringList names;
    for (const QString &piece : qAsConst(pieces)) {
        const QString name = piece.trimmed();
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

std::optional<QStringList> readBoardDefinitions(const QString &makefilePath)
{
    QFile file(makefilePath);
    if (!file.exists() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    for (;;) {
        // Every line but the end of the file still holds its line feed, so
        // an empty decoded line is the end (or a line opened by a zero byte).
        const QString line = decodeUpToZero(file.readLine());
        if (line.isEmpty())
            return std::nullopt;
        if (line.contains(BoardMarker))
            return parseBoardDefinitionLine(line);
    }
}

} // namespace SourceFile
