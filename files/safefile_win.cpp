#include "safefile_platform.h"

#include <QFile>

#include <qt_windows.h>

namespace SafeFile {

// Windows has no file size limit signal: a write that meets a limit fails.
void keepRunningAtFileSizeLimit()
{
}

} // namespace SafeFile

namespace SafeFile::Platform {

int linkCount(const QString &path)
{
    HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return 1;
    BY_HANDLE_FILE_INFORMATION information = {};
    const BOOL known = GetFileInformationByHandle(handle, &information);
    CloseHandle(handle);
    return known ? int(information.nNumberOfLinks) : 1;
}

// Windows allocates the room of a file that is made longer.
bool reserve(QFile &file, qint64 bytes, QString *reason)
{
    if (file.size() >= bytes || file.resize(bytes))
        return true;
    *reason = file.errorString();
    return false;
}

} // namespace SafeFile::Platform
