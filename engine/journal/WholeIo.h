#pragma once
// Reads and writes of exactly so many bytes at an offset, through the file-call seam: short reads
// and writes are continued, and a file that ends early or a write that makes no progress is an
// error. The faults say what failed.
#include <cstddef>
#include <cstdint>

#include "engine/journal/Fault.h"

Step ReadWhole(int fd, uint8_t* buf, size_t len, uint64_t offset);
Step WriteWhole(int fd, const uint8_t* buf, size_t len, uint64_t offset);
