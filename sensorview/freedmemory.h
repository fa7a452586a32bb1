#pragma once

// Hands memory that was freed back to the system. The C library keeps freed
// blocks for later use, and after an edit of millions of records dropped an
// undo step that can be as much as the recording itself, held for nothing.
void releaseFreedMemory();
