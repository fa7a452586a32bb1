#include "physicalmemory.h"

// The one place where asking the system differs between platforms.
#ifdef Q_OS_WIN
#include <windows.h>

qint64 physicalMemoryBytes()
{
    MEMORYSTATUSEX status;
    status.dwLength = sizeof(status);
    return GlobalMemoryStatusEx(&status) ? qint64(status.ullTotalPhys) : 0;
}
#else
#include <unistd.h>

qint64 physicalMemoryBytes()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : 0;
}
#endif
