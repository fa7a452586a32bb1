#include "safefile_platform.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace SafeFile {

void keepRunningAtFileSizeLimit()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace SafeFile

namespace SafeFile::Platform {

int linkCount(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 1;
    return int(info.st_nlink);
}

bool reserve(QFile &file, qint64 bytes, QString *reason)
{
    const int result = ::posix_fallocate(file.handle(), 0, off_t(bytes));
    // File systems that cannot reserve room say so; their writes still tell.
    if (result == 0 || result == EOPNOTSUPP || result == EINVAL)
        return true;
    *reason = QString::fromLocal8Bit(std::strerror(result));
    return false;
}

} // namespace SafeFile::Platform
