#include "safefile.h"

#include "safefile_platform.h"

#include <QDir>
#include <QFileInfo>

namespace SafeFile {

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Empty for a path that is free or holds a regular file (links followed).
QString notAFile(const QFileInfo &target)
{
    if (!target.exists() || target.isFile())
        return QString();
    if (target.isDir())
        return QStringLiteral("It is a folder, not a file");
    return QStringLiteral("It is not a regular file but a pipe, a device or a socket");
}

// A folder that refuses new files may still let the file itself change.
bool refusesNewFiles(const QFileInfo &target)
{
    return target.exists() && target.isWritable() && !QFileInfo(target.absolutePath()).isWritable();
}

} // namespace

QString readRefusal(const QString &path)
{
    const QFileInfo target(path);
    if (!target.exists())
        return QStringLiteral("No such file");
    return notAFile(target);
}

Writer::Writer(const QString &path)
    : path(path)
{
}

Writer::~Writer()
{
    cancel();
}

bool Writer::open(qint64 expectedBytes)
{
    error.clear();
    const QFileInfo target(path);
    error = notAFile(target);
    if (!error.isEmpty())
        return false;
    // Renaming a new file over one of its names would leave the others
    // with the old text.
    if (target.exists() && Platform::linkCount(path) > 1)
        return openInPlace(expectedBytes);

    // Unbuffered: a buffered QSaveFile in Qt 5 can lose the last buffer's
    // write failure at commit() and then replace the file all the same.
    atomic = std::make_unique<QSaveFile>(path);
    if (atomic->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        // The old file's bits, as the owner, group and others have them: the
        // "user" flags tell what this process may do, and for the superuser
        // they would add write access to a read-only file.
        if (target.exists())
            atomic->setPermissions(target.permissions()
                                   & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser));
        return true;
    }
    error = atomic->errorString();
    atomic.reset();
    if (refusesNewFiles(target))
        return openInPlace(expectedBytes);
    explainRefusedFolder();
    return false;
}

bool Writer::openInPlace(qint64 expectedBytes)
{
    inPlace = std::make_unique<QFile>(path);
    // Not truncated: until the first write the old text is all there.
    if (!inPlace->open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        error = inPlace->errorString();
        inPlace.reset();
        explainRefusedFolder();
        return false;
    }
    originalSize = inPlace->size();
    if (expectedBytes > originalSize && !Platform::reserve(*inPlace, expectedBytes, &error)) {
        cancel();
        return false;
    }
    return true;
}

void Writer::explainRefusedFolder()
{
    const QString folder = QFileInfo(path).absolutePath();
    const QFileInfo folderInfo(folder);
    if (!folderInfo.exists())
        error += QStringLiteral(" (there is no folder '%1')").arg(native(folder));
    else if (!folderInfo.isWritable())
        error += QStringLiteral(" (the folder '%1' does not allow new files)").arg(native(folder));
}

bool Writer::wouldWriteInPlace(const QString &path)
{
    const QFileInfo target(path);
    return target.isFile() && (Platform::linkCount(path) > 1 || refusesNewFiles(target));
}

QFileDevice *Writer::device() const
{
    if (atomic)
        return atomic.get();
    return inPlace.get();
}

bool Writer::commit()
{
    if (atomic) {
        const bool done = atomic->commit();
        if (!done)
            error = atomic->errorString();
        atomic.reset();
        return done;
    }
    if (!inPlace)
        return false;
    // What is left of a longer old text goes.
    const bool done = inPlace->error() == QFileDevice::NoError && inPlace->resize(inPlace->pos());
    if (!done)
        error = inPlace->errorString();
    inPlace->close();
    inPlace.reset();
    return done;
}

void Writer::cancel()
{
    if (atomic) {
        atomic->cancelWriting();
        atomic.reset();
    }
    if (inPlace) {
        // Room taken ahead but not written is given back.
        if (inPlace->pos() == 0 && inPlace->size() != originalSize)
            inPlace->resize(originalSize);
        inPlace->close();
        inPlace.reset();
    }
}

} // namespace SafeFile
