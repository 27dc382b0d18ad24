#pragma once
// The password a call was given for sealed files, and the keys derived from it. Deriving
// (Argon2id, seal/PasswordKey.h) is the one slow step: it is made once per salt and cost however
// many files share them, so a call that seals 512 files derives once, and one that unseals
// files sealed together derives once. Everything derived lives in secret memory.
#include <memory>
#include <vector>

#include "platform/SecretMemory.h"
#include "seal/PasswordKey.h"
#include "seal/SealFault.h"
#include "seal/SealKeys.h"

class SealPassword {
 public:
  // `cost`: what a new seal's derivation costs.
  explicit SealPassword(const plat::SecretText& password, seal::Cost cost = seal::kDefaultCost)
      : password_(password), cost_(cost) {}

  struct Opened {
    seal::SealFault fault = seal::SealFault::None;  // WrongPassword, CostOutOfRange, ...
    std::shared_ptr<const seal::FileKeys> keys;
  };
  // The keys of the file sealed with `header`: its data key unwrapped with this password.
  Opened Open(const seal::Header& header);

  // The key that new seals of this call wrap their data keys with: derived at the first call,
  // with a fresh salt. Null, with `*fault` set, when it cannot be derived.
  const seal::PasswordKey* NewKey(seal::SealFault* fault);

  // How many derivations were made (for tests and benchmarks).
  size_t Derivations() const { return derivations_; }

 private:
  plat::SecretText password_;
  seal::Cost cost_;
  std::vector<std::unique_ptr<seal::PasswordKey>> derived_;  // each stays where it is made
  const seal::PasswordKey* newKey_ = nullptr;                // the one new seals use
  size_t derivations_ = 0;
};
