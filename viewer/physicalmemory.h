#pragma once

#include <QtGlobal>

// The machine's physical memory in bytes, or 0 where it cannot be told.
qint64 physicalMemoryBytes();
