#pragma once
#include <cstdint>
#include <string>

#include "engine/journal/CipherTransform.h"
#include "engine/journal/Fault.h"

// An interrupted change that was found on a file and settled (or could not be).
struct RecoveryReport {
  CipherDirection direction = CipherDirection::Code;  // of the interrupted change
  bool sealed = false;                                // a sealing or unsealing
  bool settled = false;    // the file is whole again (and carries no marker)
  bool completed = false;  // settled by completing the change (else by turning it back)
  uint64_t pagesRewritten = 0;
  Fault why;            // when not settled: what stands in the way; when turned back: why
  std::string journal;  // the journal it was settled from, or that stands in the way
};
