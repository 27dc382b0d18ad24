#include "engine/journal/SealPassword.h"

#include <utility>

SealPassword::Opened SealPassword::Open(const seal::Header& header) {
  Opened opened;
  const seal::PasswordKey* key = nullptr;
  for (const auto& k : derived_)
    if (k->Fits(header)) key = k.get();
  if (!key) {
    seal::DeriveResult d =
        seal::DeriveKey(password_.data(), password_.size(), header.salt, header.cost);
    ++derivations_;
    if (d.fault != seal::SealFault::None) {
      opened.fault = d.fault;
      return opened;
    }
    derived_.push_back(std::make_unique<seal::PasswordKey>(std::move(d.key)));
    key = derived_.back().get();
  }
  seal::OpenResult r = seal::OpenSeal(*key, header);
  opened.fault = r.fault;
  if (r.fault == seal::SealFault::None)
    opened.keys = std::make_shared<const seal::FileKeys>(std::move(r.keys));
  return opened;
}

const seal::PasswordKey* SealPassword::NewKey(seal::SealFault* fault) {
  *fault = seal::SealFault::None;
  if (!newKey_) {
    seal::DeriveResult d = seal::DeriveNewKey(password_.data(), password_.size(), cost_);
    ++derivations_;
    if (d.fault != seal::SealFault::None) {
      *fault = d.fault;
      return nullptr;
    }
    derived_.push_back(std::make_unique<seal::PasswordKey>(std::move(d.key)));
    newKey_ = derived_.back().get();
  }
  return newKey_;
}
