#pragma once
// The content pass: one file's bytes coded or decoded in place, chunk by chunk, with the cipher
// rule of CipherTransform. Memory stays bounded (one chunk) whatever the file's size, and the
// file's length never changes. A pass that fails partway turns the bytes it already changed
// back, so a failed pass leaves the file as it was.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/CipherTransform.h"
#include "platform/Outcome.h"

// Bytes per chunk: a multiple of the cipher's period, so every chunk starts on key index 0 and
// counter 0, and 127.5 KiB, small enough to stay in the second-level cache between the read, the
// transform and the write (measured: a 1 GiB pass takes about 0.8x the time of 1 MiB chunks).
constexpr size_t kPassChunkBytes = 170 * kCipherPeriod;
static_assert(kPassChunkBytes % kCipherPeriod == 0, "chunks must start on the cipher's period");

// Told after each chunk how many bytes of how many are done.
using PassProgress = std::function<void(uint64_t done, uint64_t total)>;

// Codes or decodes the regular file at `path` (links followed) in place with the six key bytes.
plat::Outcome RunContentPass(const std::string& path, const uint8_t key[6], CipherDirection dir,
                             const PassProgress& progress = {});

inline CipherDirection Opposite(CipherDirection dir) {
  return dir == CipherDirection::Code ? CipherDirection::Decode : CipherDirection::Code;
}
