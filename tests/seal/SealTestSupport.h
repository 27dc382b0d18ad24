#pragma once
// Sealed files as bytes in memory, sealed and opened in the order the engine follows on disk:
// the trailer found from the end, the length compared, the key derived from the header's salt
// and cost, the data key unwrapped, the MAC checked over all the content, and only then the
// content turned back.
#include <sodium.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "seal/ContentMac.h"
#include "seal/ContentStream.h"
#include "seal/PasswordKey.h"
#include "seal/SealKeys.h"
#include "seal/SealRecord.h"

using Bytes = std::vector<uint8_t>;

// Cheap enough to derive once per opening in a test (the format's least memory is 8 KiB).
constexpr seal::Cost kTestCost = {1, 64};

inline Bytes Hex(const std::string& hex) {
  Bytes out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

inline seal::PasswordKey Derive(const std::string& password, const seal::Salt& salt,
                                seal::Cost cost = kTestCost) {
  return seal::DeriveKey(password.data(), password.size(), salt, cost).key;
}

// The content sealed under `seal` in 4 KiB pages, MACed as it goes, and the record after it.
inline Bytes SealWith(seal::NewSeal& seal, Bytes content) {
  seal::ContentMac mac(seal.keys, seal.header);
  for (size_t at = 0; at < content.size(); at += 4096) {
    const size_t n = std::min<size_t>(4096, content.size() - at);
    seal::TransformContent(seal.keys, at, content.data() + at, n);
    mac.Add(content.data() + at, n);
  }
  const seal::RecordBytes record = seal::EncodeRecord({seal.header, mac.Finish()});
  content.insert(content.end(), record.begin(), record.end());
  return content;
}

inline Bytes SealBytes(const seal::PasswordKey& key, const Bytes& content) {
  seal::NewSeal seal = seal::MakeSeal(key, content.size());
  return SealWith(seal, content);
}

struct Opened {
  seal::SealFault fault = seal::SealFault::None;
  Bytes content;
};

inline Opened OpenBytes(const std::string& password, const Bytes& file) {
  using seal::SealFault;
  const size_t last = std::min(file.size(), seal::kMaxRecordSize);
  const seal::RecordResult found = seal::FindTrailer(file.data() + file.size() - last, last);
  if (found.fault != SealFault::None) return {found.fault, {}};
  const seal::Header& header = found.record.header;
  Bytes content(file.begin(), file.end() - found.size);
  if (header.length != content.size()) return {SealFault::LengthDiffers, {}};
  const seal::DeriveResult derived =
      seal::DeriveKey(password.data(), password.size(), header.salt, header.cost);
  if (derived.fault != SealFault::None) return {derived.fault, {}};
  const seal::OpenResult opened = seal::OpenSeal(derived.key, header);
  if (opened.fault != SealFault::None) return {opened.fault, {}};
  seal::ContentMac mac(opened.keys, header);
  for (size_t at = 0; at < content.size(); at += 1000)
    mac.Add(content.data() + at, std::min<size_t>(1000, content.size() - at));
  if (const SealFault checked = mac.Check(found.record.mac); checked != SealFault::None)
    return {checked, {}};
  seal::TransformContent(opened.keys, 0, content.data(), content.size());
  return {SealFault::None, content};
}

// A record's bytes with its tail's check made anew, as someone who changed it on purpose would.
inline Bytes Rechecked(Bytes record) {
  const size_t check_at = record.size() - 12;
  uint8_t hash[16];
  crypto_generichash(hash, sizeof hash, record.data(), check_at, nullptr, 0);
  std::copy(hash, hash + 4, record.begin() + check_at);
  return record;
}
