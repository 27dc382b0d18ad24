#pragma once
// Turning back a change whose file another program made longer or shorter while the content
// pass ran (an append, a truncation). The journal's hashes of the pages as they were tell, page
// by page, whether the pass had turned it; what the other program added past the old end is kept
// as it wrote it. A page that was cut short takes the state of the page before it, as the pass
// turns the pages in order.
#include "engine/journal/ContentKey.h"
#include "engine/journal/Fault.h"
#include "engine/journal/Journal.h"

Step TurnBackResized(int fd, const JournalFile& journal, const ContentKey& key);
