#pragma once
// Finding the key of coded bytes whose record is gone. The content transform adds
// K[i mod 6] + (i mod 256) to the byte at position i, and K is the six-byte time code of the
// coding, each byte of which lies in a narrow range. So from a prefix of the coded bytes alone
// the key can be found: from a file header the turned-back bytes must show (HeaderKeys.h), or,
// for bytes with structure (text, most binaries), by choosing each key byte so that the bytes it
// keys look most like real data. A key counts only when it is a real moment not in the future,
// the bytes it turns back are recognised as a real type (ByteKind.h), and there is evidence that
// the bytes are coded: either the bytes turned back are clearly more ordered than as they lie
// (their byte statistics), or a check with redundancy of its own passes (a CRC, a checksum,
// lengths that match); bytes that look plain as they lie need the latter. Bytes too short or too
// random to tell give no key, and where other keys fit as well the key is not certain.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "engine/rescue/ByteKind.h"

// The most of a file the finder reads.
constexpr size_t kKeyLookBytes = 64 * 1024;
// Fewer bytes than this are never taken for coded ones.
constexpr size_t kKeyLookMinBytes = 32;

// A key that fits the bytes, and what they turn into with it.
struct KeyCandidate {
  uint8_t key[6] = {};
  ByteKind kind;
  std::string preview;  // the first bytes turned back, printable ones only
};

struct KeyFinding {
  enum class Verdict {
    None,       // the bytes do not look coded (or cannot be told)
    Found,      // one key, and only one, turns them back into a recognised type
    Ambiguous,  // several keys do
  };
  Verdict verdict = Verdict::None;
  uint8_t key[6] = {};  // Found: the key, a time code
  ByteKind kind;        // Found or Ambiguous: what the first prefix turned back is
  int keys = 0;         // how many keys passed every check
  // Ambiguous: the keys that fit, likeliest first (a few at most).
  std::vector<KeyCandidate> candidates;
};

// The most candidates a finding lists.
constexpr size_t kMostCandidates = 8;

// The rest of a file beyond the prefix, for a header that says where its structure lies (a
// TIFF's directory after its image data): `read` puts up to n bytes from `at` into `into` and
// says how many it put.
struct FarBytes {
  uint64_t size = 0;  // the file's
  std::function<size_t(uint64_t at, uint8_t* into, size_t n)> read;
};
// The most read there, for each key tried.
constexpr size_t kFarLookBytes = 4096;

// Looks at the first `len` bytes of a file (at most kKeyLookBytes are used); fewer than
// kKeyLookBytes must be the whole file. `now` is the local time, for the check that a key's
// moment is not in the future. `far`, when given, reads the rest of the file.
KeyFinding FindKey(const uint8_t* prefix, size_t len, const std::tm& now,
                   const FarBytes* far = nullptr);

// The prefix turned back with `key`: what it is recognised as (unrecognised when it is not).
ByteKind KindWithKey(const uint8_t* prefix, size_t len, const uint8_t key[6]);

// The key is the time code of a real moment from 1970 up to `now` (a day's slack for the time
// zone).
bool KeyIsRealMoment(const uint8_t key[6], const std::tm& now);

// Whether `len` bytes that lie at file position `offset` look plain already: turned back with
// `key` they are clearly less ordered than as they lie (text added to a coded copy afterwards, a
// part never coded). Bytes without order either way (compressed data) do not.
bool PartLooksPlain(const uint8_t* bytes, size_t len, uint64_t offset, const uint8_t key[6]);

// The bytes as they lie look like a plain file: they begin with a known header, or are text.
bool LooksPlain(const uint8_t* prefix, size_t len);
