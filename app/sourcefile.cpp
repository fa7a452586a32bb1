#include "sourcefile.h"

#include "safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>

namespace SourceFile {

namespace {
const QLatin1String BoardMarker("#VCE_Board_Definitions");
// A Makefile line longer than this is read in pieces of this size: the
// board line is short, and a file with no line breaks must not fill the
// memory one line at a time.
constexpr int LongestBoardLine = 64 * 1024;
const QString TitleBase = QStringLiteral("VESTRA");
const QString TitleSeparator = QStringLiteral(" - ");
const QString ModifiedMark = QStringLiteral(" *");
}

QString projectNameOf(const QString &path)
{
    return QFileInfo(path).fileName().section(QLatin1Char('.'), 0, 0);
}

QString titleOf(bool fileLoaded, const QString &projectName)
{
    return fileLoaded ? TitleBase + TitleSeparator + projectName : TitleBase;
}

QString shownTitle(const QString &title, bool modified)
{
    return modified ? title + ModifiedMark : title;
}

QString decodeUpToZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? bytes : bytes.left(zero));
}

std::optional<ReadResult> read(const QString &path)
{
    QFile file(path);
    if (!SafeFile::readRefusal(path).isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    ReadResult result;
    result.text = decodeUpToZero(bytes);
    result.truncatedAtZeroByte = bytes.contains('\0');
    return result;
}

bool write(const QString &path, const QString &text, QString *errorString)
{
    const QByteArray bytes = text.toUtf8();
    SafeFile::Writer file(path);
    if (!file.open(bytes.size())) {
        *errorString = file.errorString();
        return false;
    }
    if (!writeFully(*file.device(), bytes, errorString)) {
        file.cancel();
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

namespace {

// A file's lines a piece at a time: a line longer than the piece size comes
// in several pieces, and the rest of a line can be passed over without
// keeping it. Only a line feed ends a line; a carriage return before it
// stays in the piece.
class LinePieces
{
public:
    explicit LinePieces(QFile &file)
        : file(file)
    {
    }

    // The next piece of at most `longest` bytes; empty at the end.
    QByteArray next(int longest)
    {
        QByteArray piece;
        while (piece.size() < longest && fill()) {
            const char *start = buffer.constData() + at;
            const int available = std::min(buffer.size() - at, longest - piece.size());
            const char *lineEnd = static_cast<const char *>(std::memchr(start, '\n', size_t(available)));
            const int taken = lineEnd ? int(lineEnd - start) + 1 : available;
            piece.append(start, taken);
            at += taken;
            if (lineEnd)
                break;
        }
        return piece;
    }

    void skipRestOfLine()
    {
        while (fill()) {
            const char *start = buffer.constData() + at;
            const char *lineEnd = static_cast<const char *>(std::memchr(start, '\n', size_t(buffer.size() - at)));
            if (lineEnd) {
                at += int(lineEnd - start) + 1;
                return;
            }
            at = buffer.size();
        }
    }

private:
    bool fill()
    {
        if (at < buffer.size())
            return true;
        buffer = file.read(ReadSize);
        at = 0;
        return !buffer.isEmpty();
    }

    static constexpr qint64 ReadSize = 1 << 20;
    QFile &file;
    QByteArray buffer;
    int at = 0;
};

} // namespace

std::optional<QStringList> readBoardDefinitions(const QString &makefilePath)
{
    QFile file(makefilePath);
    if (!SafeFile::readRefusal(makefilePath).isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    LinePieces lines(file);
    for (;;) {
        const QByteArray piece = lines.next(LongestBoardLine);
        // Every line but the last still holds its line feed, so an empty
        // line is the end of the file, or a line opened by a zero byte,
        // which ends the search as the end would.
        const QString text = decodeUpToZero(piece);
        if (text.isEmpty())
            return std::nullopt;
        // A carriage return before the line feed is white space to the
        // names, as the line feed is.
        if (text.contains(BoardMarker))
            return parseBoardDefinitionLine(text);
        // What follows a zero byte is not part of the line, and a line
        // longer than the board line can be is not the board line.
        if (!piece.endsWith('\n') && (piece.size() >= LongestBoardLine || piece.contains('\0')))
            lines.skipRestOfLine();
    }
}

QVector<QPair<QString, QString>> examplesIn(const QString &folder)
{
    QVector<QPair<QString, QString>> examples;
    const QDir root(folder);
    const QStringList names = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names) {
        const QDir example(root.filePath(name));
        if (!QFileInfo(example.filePath(QStringLiteral("Makefile"))).isFile())
            continue;
        const QStringList sources = example.entryList({QStringLiteral("*.c")}, QDir::Files, QDir::Name);
        if (sources.isEmpty())
            continue;
        const QString own = name + QStringLiteral(".c");
        examples.append({name, example.filePath(sources.contains(own) ? own : sources.first())});
    }
    return examples;
}

} // namespace SourceFile
