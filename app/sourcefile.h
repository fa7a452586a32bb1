#pragma once

#include <QString>
#include <QStringList>

class QFileDevice;

#include <QPair>
#include <QVector>

#include <optional>

// File-level work of the source pane and the board selector, kept apart
// from the window so it can be exercised on real files without one.
namespace SourceFile {

struct ReadResult
{
    QString text;
    // The text was cut at a zero byte: what followed it is not in `text`.
    bool truncatedAtZeroByte = false;
};

// The project name of a source file: its file name up to the first dot
// (all of it without a dot; empty when it starts with one).
QString projectNameOf(const QString &path);

// The window title without the modified mark: the program's name alone
// until a file is loaded, then followed by the project name.
QString titleOf(bool fileLoaded, const QString &projectName);

// The title as shown: with a mark while the text holds unsaved edits.
QString shownTitle(const QString &title, bool modified);

// Reads a text file as UTF-8 with CR LF folded to LF, up to its first zero
// byte. Empty when the file is missing, cannot be opened or is no regular
// file (a pipe or a device would block or never end).
std::optional<ReadResult> read(const QString &path);

// Writes `text` as UTF-8, as a careful save does (see SafeFile::Writer): a
// failed save leaves the old file as it was. On failure returns false and
// puts the reason in `errorString`.
bool write(const QString &path, const QString &text, QString *errorString);

// Writes all of `bytes` to an open, unbuffered file; on failure returns false
// with the system's reason in `errorString`.
bool writeFully(QFileDevice &file, const QByteArray &bytes, QString *errorString);

// Decodes bytes as UTF-8 up to the first zero byte (all of them if none).
QString decodeUpToZero(const QByteArray &bytes);

// The board names of the first line of `makefilePath` that holds the board
// definitions marker; empty when the file or the marker is missing, or the
// file is no regular file.
std::optional<QStringList> readBoardDefinitions(const QString &makefilePath);

// Splits one board definitions line into its board names.
QStringList parseBoardDefinitionLine(const QString &line);

// The examples in `folder`: each of its folders that holds a Makefile and a
// C source, in name order, as (name, source). The source is the one named
// after its folder when there is one, else the first by name.
QVector<QPair<QString, QString>> examplesIn(const QString &folder);

} // namespace SourceFile
