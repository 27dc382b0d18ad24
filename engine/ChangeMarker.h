#pragma once
// The change marker: an attribute that a file carries for exactly as long as a change of its
// bytes or attributes is under way. It is on disk before the first byte changes and goes once
// the change is whole on disk, so any later look that finds it knows the change was
// interrupted, and where its journal is (docs/crash-safety.md).
//
// Value: "MVC1", the direction (1 byte: 0 coding, 1 decoding), the file's entry number in the
// journal (4 bytes), the journal's nonce (8 bytes), then the journal's path: its leaf name when
// it lies in the file's own folder, else absolute.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/CipherTransform.h"

constexpr const char* kChangeMarkerAttr = "murvel.change";

struct ChangeMarker {
  CipherDirection direction = CipherDirection::Code;
  uint32_t entry = 0;
  uint64_t nonce = 0;
  std::string journal;
};

std::string EncodeMarker(const ChangeMarker& marker);
std::optional<ChangeMarker> DecodeMarker(const std::string& value);
// The journal's path for a file whose folder is `folder`.
std::string JournalPathOf(const ChangeMarker& marker, const std::string& folder);
