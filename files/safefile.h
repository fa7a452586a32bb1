#pragma once

#include <QFile>
#include <QSaveFile>
#include <QString>

#include <memory>

// What the editor and the sensor view read and write is a user's document:
// reading must never block or run on for ever, and a save must neither lose
// the old file nor turn it into something it was not.
namespace SafeFile {

// Why `path` is not to be opened as a document; empty when it names a
// regular file (links followed). A pipe blocks its reader until something
// writes to it, and a device such as /dev/zero never ends, so anything but a
// regular file is refused before it is opened.
QString readRefusal(const QString &path);

// A save that keeps what a careful editor keeps:
// - the file is replaced only once the new text is wholly on disk (written
//   beside it, then renamed over it), so a failure leaves it as it was;
// - a save through a link writes the file the link points to;
// - the file keeps its permission bits;
// - a file with several names (hard links) is written in place, so that it
//   stays one file for all of them; so is a file in a folder that refuses
//   new files. In place, the room the new text needs is taken first where
//   the size is known and the system allows, so that a full disk is met
//   before anything of the old text is overwritten;
// - a target that is not a regular file (a pipe, a device, a socket, a
//   folder) is refused, never replaced by a file.
// Every failure leaves a reason in errorString(), naming the folder where
// the folder is what refused.
class Writer
{
public:
    explicit Writer(const QString &path);
    ~Writer();

    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    // `expectedBytes`, when known, is the size the file will have.
    bool open(qint64 expectedBytes = -1);
    // The device to write to, unbuffered: a failure shows at the write that
    // met it. Valid between a successful open() and commit() or cancel().
    QFileDevice *device() const;
    // Makes the written text the file's; false (with a reason) when that
    // failed, in which case an atomic save left the old file untouched.
    bool commit();
    // Drops what was written; an atomic save leaves the old file as it was.
    void cancel();

    bool writesInPlace() const { return inPlace != nullptr; }
    QString errorString() const { return error; }

    // Whether a save to `path` would write in place: where it does, knowing
    // the size ahead lets it take the room first.
    static bool wouldWriteInPlace(const QString &path);

private:
    bool openInPlace(qint64 expectedBytes);
    void explainRefusedFolder();

    QString path;
    std::unique_ptr<QSaveFile> atomic;
    std::unique_ptr<QFile> inPlace;
    qint64 originalSize = 0;
    QString error;
};

// Takes what is written and keeps only its count: a dry run that tells the
// size a save will have.
class ByteCounter : public QIODevice
{
public:
    ByteCounter() { open(QIODevice::WriteOnly); }
    qint64 count() const { return written; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 size) override
    {
        written += size;
        return size;
    }

private:
    qint64 written = 0;
};

// A save that meets a file size limit should fail and say so, not end the
// program with everything unsaved (Unix sends SIGXFSZ). Called once at
// start-up.
void keepRunningAtFileSizeLimit();

} // namespace SafeFile
