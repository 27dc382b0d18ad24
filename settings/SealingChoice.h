#pragma once
// Whether the window seals rather than codes, kept from one run to the next in a small file of
// its own beside the settings file ("murvel_sealing"; the 13-byte settings file keeps its
// format): "seal" or "code" and a line end.
#include "platform/Outcome.h"

constexpr const char* kSealingChoiceName = "murvel_sealing";

// True when the file says "seal"; false when it says anything else, is missing or unreadable.
bool LoadSealingChoice();
// Replaces the file in one step, as the settings file is saved.
plat::Outcome SaveSealingChoice(bool sealing);
