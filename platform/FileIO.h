#pragma once
// Whole-file reads and crash-safe whole-file writes.
#include <sys/types.h>

#include <string>

#include "platform/Outcome.h"

namespace plat {

// Replaces the file at `path` with `size` bytes, permission bits exactly `mode`: the bytes go to
// a temporary file beside it, are flushed to disk and then renamed over the old file, so a
// crash leaves either the old or the new file, never a short one. When `path` is a symbolic
// link, the entry it leads to (through any further links) is written and the link kept. Only a
// regular file or nothing is ever replaced: a FIFO, a device, a socket or a folder there, or a
// loop of links, is left alone and the outcome says so.
//
// With `followLinks` false the entry at `path` itself is replaced: a link there is refused, and
// one put there meanwhile is replaced rather than followed (for a path in a folder another user
// may write, where following a link could write a file of that user's choosing).
Outcome WriteFileAtomically(const std::string& path, const void* data, size_t size, mode_t mode,
                            bool followLinks = true);

// Writes `contents` as WriteFileAtomically does, making the missing folders above it (0755),
// unless the file holds exactly those bytes already; then it is left alone (its inode and times
// too), only its permission bits set to `mode` when they differ. `changed`, when given, tells
// whether the bytes were written.
Outcome WriteFileIfDifferent(const std::string& path, const std::string& contents, mode_t mode,
                             bool* changed = nullptr);

// The whole contents of a regular file.
Outcome ReadWholeFile(const std::string& path, std::string* contents);

}  // namespace plat
