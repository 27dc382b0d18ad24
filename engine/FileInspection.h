#pragma once
// The inspection of an entry: can it be worked on, and is it coded. A link whose target text has
// more than four bytes is followed to the file it finally names, and the work then acts on
// exactly that file; a shorter one is not followed, and so not worked on. A change that was
// interrupted on the file is settled first, before the file is judged.
#include <cstdint>
#include <map>
#include <string>

#include "engine/Results.h"
#include "engine/journal/SealPassword.h"

// Which file systems (by device number) keep "user." attributes, as found so far: a caller that
// inspects many files keeps one, so that each file system is asked once.
using VolumeAnswers = std::map<uint64_t, bool>;

// An interrupted sealing or unsealing on the file is settled only with `password`.
Inspection InspectEntry(const std::string& path, VolumeAnswers* volumes = nullptr,
                        SealPassword* password = nullptr);
