#include "systemmemory.h"

// Any C library header tells which library this is.
#include <cstdint>
#include <cstdlib>

// Only the GNU C library keeps large freed blocks this way and has a call to
// give them back.
#if defined(__GLIBC__)
#include <malloc.h>

void releaseFreedMemory()
{
    malloc_trim(0);
}
#else
void releaseFreedMemory()
{
}
#endif

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

void preferLargePages(void *data, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Smaller blocks hold no large page; the advice covers whole pages only.
    constexpr std::size_t Worthwhile = std::size_t(4) << 20;
    if (bytes < Worthwhile)
        return;
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(page - 1);
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}
