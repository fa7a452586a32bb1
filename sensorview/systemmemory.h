#pragma once

#include <cstddef>

// What the program asks of the system's memory beyond allocating it; where a
// system has no such request, each is nothing.

// Hands memory that was freed back to the system. The C library keeps freed
// blocks for later use, and after an edit of millions of records dropped an
// undo step that can be as much as the recording itself, held for nothing.
void releaseFreedMemory();

// Asks for large pages behind a block of `bytes` at `data` that is about to
// be filled at once. Where each first touch of a small page traps into the
// system, as on virtual machines, filling the rows of a line of a million
// values spent more time there than on the rows themselves.
void preferLargePages(void *data, std::size_t bytes);
