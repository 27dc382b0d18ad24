#pragma once
// What the window remembers between messages about the file in hand: the current path, the
// entered password, the flags of the last inspection (and the inspection itself, which names the
// one file the work acts on).
#include <string>

#include "engine/Results.h"
#include "platform/Program.h"
#include "platform/SecretMemory.h"

struct WorkState {
  std::string
      currentPath;        // the entry in hand; where its link leads once the inspection followed it
  Inspection inspection;  // the last inspection of the current path
  bool workable = false;
  bool coded = false;
  bool passwordSet = false;
  // The password, at most kPasswordMax characters, terminated: in memory of its own, left out of
  // core dumps and wiped when the window goes.
  plat::SecretBuffer passwordMemory{plat::kPasswordMax + 1};
  char* const password = passwordMemory.data();
};
