#include "freedmemory.h"

// Any C library header tells which library this is.
#include <cstdlib>

// Only the GNU C library keeps large freed blocks this way and has a call to
// give them back; elsewhere this is nothing.
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
