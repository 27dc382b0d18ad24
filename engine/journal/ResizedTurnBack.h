#pragma once
// Turning back a change whose file another program made longer or shorter while the content
// pass ran (an append, a truncation). Only the first `written` bytes, those the pass wrote, may
// have been turned: the journal's hashes of their pages as they were tell, page by page, whether
// the pass's bytes are still there; what the other program wrote past them is kept as it wrote
// it. The part of a written page that a cut left was turned: the cut came after the pass's write,
// as a write after it would have made the file long again.
#include "engine/journal/ContentKey.h"
#include "engine/journal/Fault.h"
#include "engine/journal/Journal.h"

Step TurnBackResized(int fd, const JournalFile& journal, const ContentKey& key, uint64_t written);
