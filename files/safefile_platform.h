#pragma once

#include <QString>

class QFile;

// The calls the safe save needs that Qt does not offer, one source file per
// platform.
namespace SafeFile::Platform {

// How many names (hard links) the file at `path` has; 1 where it cannot be
// told.
int linkCount(const QString &path);

// Makes the open file's storage at least `bytes` long without changing what
// it holds, so that writing that much later cannot run out of room. False,
// with the system's reason, when the room is not there; true where the
// system cannot reserve room ahead (the writes then tell).
bool reserve(QFile &file, qint64 bytes, QString *reason);

} // namespace SafeFile::Platform
