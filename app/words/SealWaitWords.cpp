#include "app/words/SealWaitWords.h"

namespace {

// Whether `fault` or any of its causes is `code` (with the seal fault `seal`, when given).
bool Rests(const Fault& fault, FaultCode code, seal::SealFault seal = seal::SealFault::None) {
  if (fault.code == code && (seal == seal::SealFault::None || fault.seal == seal)) return true;
  for (const Fault& cause : fault.causes)
    if (Rests(cause, code, seal)) return true;
  return false;
}

}  // namespace

SealWait SealWaitOf(const Inspection& found) {
  const std::optional<RecoveryReport>& r = found.recovery;
  if (!r || r->settled || !r->sealed) return SealWait::None;
  if (Rests(r->why, FaultCode::NeedsPassword)) return SealWait::NeedsPassword;
  if (Rests(r->why, FaultCode::SealFailed, seal::SealFault::WrongPassword))
    return SealWait::WrongPassword;
  return SealWait::None;
}

const char* SealWaitState(const Inspection& found) {
  const bool sealing = found.recovery && found.recovery->direction == CipherDirection::Code;
  return sealing ? kSealingInterrupted : kUnsealingInterrupted;
}

const char* SealWaitDetail(SealWait wait) {
  return wait == SealWait::WrongPassword ? "the password given is not its own; nothing was touched"
                                         : "needs its password";
}
