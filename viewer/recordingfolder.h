#pragma once

#include <QString>
#include <QStringList>

// Where the viewer's file dialogs begin: where a user keeps recordings, not
// the folder the program happens to run in.
namespace RecordingFolder {

// The last folder used when it still exists, else the first of `examples`
// that exists, else `home`.
QString start(const QString &lastUsed, const QStringList &examples, const QString &home);

// Where the bundled example recording may stand, best first: the user's
// tree of examples beside the folder the program runs in (as the launcher
// starts it), the examples beside the program's own folder, then the
// shared tree of a system install.
QStringList examples(const QString &workingFolder, const QString &programFolder);

} // namespace RecordingFolder
