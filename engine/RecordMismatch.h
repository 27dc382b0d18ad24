#pragma once
// Where a file's bytes and its record disagree. The coded state lives only in the file's
// attributes, and most ways of copying a file drop them: such a copy has coded bytes and no
// record ("record lost"). The reverse happens too: plain bytes copied over a coded file keep
// the coded file's record ("record left over"), which a decoding would then scramble. Both are
// told only on strong evidence from a bounded prefix of the bytes (KeyFinder.h); a file that
// cannot be told is taken to be what its attributes say.
#include <ctime>
#include <string>

#include "engine/Results.h"

// Looks at the bytes of the open file `fd` for a file found plain (no record) or coded (with
// `record`, and `hasIntegrity` when it carries the integrity attribute, which already tells a
// change of its bytes). Sets `ins->mismatch` and `ins->lostKey`.
void LookForMismatch(int fd, const RecordFields* record, bool hasIntegrity, const std::tm& now,
                     Inspection* ins);
