#include "recordingfolder.h"

#include <QDir>
#include <QFileInfo>

namespace RecordingFolder {

namespace {
const QString Recordings = QStringLiteral("examples/sensor_demo");

bool isFolder(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}
} // namespace

QString start(const QString &lastUsed, const QStringList &examples, const QString &home)
{
    if (isFolder(lastUsed))
        return lastUsed;
    for (const QString &folder : examples) {
        if (isFolder(folder))
            return folder;
    }
    return home;
}

QStringList examples(const QString &workingFolder, const QString &programFolder)
{
    return {QDir::cleanPath(workingFolder + QStringLiteral("/../") + Recordings),
            QDir::cleanPath(programFolder + QStringLiteral("/../") + Recordings),
            QDir::cleanPath(programFolder + QStringLiteral("/../share/vestra-code-editor/") + Recordings)};
}

} // namespace RecordingFolder
