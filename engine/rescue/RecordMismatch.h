#pragma once
// Where a file's bytes and its record disagree. The coded state lives only in the file's
// attributes, and most ways of copying a file drop them: such a copy has coded bytes and no
// record ("record lost"). The reverse happens too: plain bytes copied over a coded file keep
// the coded file's record ("record left over"), which a decoding would then scramble. Both are
// told only on strong evidence from a bounded prefix of the bytes (KeyFinder.h); a file that
// cannot be told is taken to be what its attributes say.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "codec/RecordLine.h"

// Where the bytes of a file and its record disagree.
enum class RecordMismatch {
  None,
  RecordLost,      // coded bytes and no record: a copy that lost its attributes
  RecordLeftOver,  // plain bytes under a record: a decoding would scramble them
};

// The key of coded bytes whose record is lost, as found from the bytes.
struct LostKey {
  bool found = false;   // one key, for sure (else several are plausible)
  uint8_t key[6] = {};  // the time code found, when found
  std::string kind;     // what the bytes turned back are recognised as (or, for a record left
                        // over, what the bytes as they lie are)
  int keys = 0;         // how many keys passed every check
};

// Looks at the bytes of the open file `fd` for a file found plain (no record) or coded (with
// `record`, and `hasIntegrity` when it carries the integrity attribute, which already tells a
// change of its bytes). Sets `*mismatch` and `*lostKey`.
void LookForMismatch(int fd, const RecordFields* record, bool hasIntegrity, const std::tm& now,
                     RecordMismatch* mismatch, LostKey* lostKey);

// The file's first bytes as the look above reads them (kKeyLookBytes at most, the whole file
// when it is no longer), for a caller that needs them too.
std::vector<uint8_t> ReadLookPrefix(int fd, uint64_t size);
// The look above, on those bytes read already and the file's `size` (0: not known).
void LookForMismatchIn(int fd, const std::vector<uint8_t>& prefix, uint64_t size,
                       const RecordFields* record, bool hasIntegrity, const std::tm& now,
                       RecordMismatch* mismatch, LostKey* lostKey);
