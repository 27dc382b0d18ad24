#pragma once
// The change marker: an attribute that a file carries for exactly as long as a change of its
// bytes or attributes is under way. It is on disk before the first byte changes and goes once
// the change is whole on disk, so any later look that finds it knows the change was
// interrupted, and where its journal is (docs/crash-safety.md).
//
// Value: "MVC2", the direction (1 byte: 0 coding, 1 decoding, 2 sealing, 3 unsealing), the file's
// entry number in the journal (4 bytes), the journal's nonce (8 bytes), then the journal's absolute
// path, at most kMarkerJournalMax bytes, so that the marker stays small whatever the file's path.
// (Markers "MVC1" kept the journal's leaf name when it lay in the file's folder.)
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/journal/CipherTransform.h"

constexpr const char* kChangeMarkerAttr = "murvel.change";
// The longest journal path a marker keeps; a journal whose path would be longer is made in the
// user's state folder instead.
constexpr size_t kMarkerJournalMax = 1024;

struct ChangeMarker {
  CipherDirection direction = CipherDirection::Code;
  bool sealed = false;  // a sealing or unsealing
  uint32_t entry = 0;
  uint64_t nonce = 0;
  std::string journal;
};

std::string EncodeMarker(const ChangeMarker& marker);
std::optional<ChangeMarker> DecodeMarker(const std::string& value);
// Where to look for the marker's journal, for a file now in `folder`, in turn: where it was
// made, then, by its name, beside the file (a file moved with its folder).
std::vector<std::string> JournalPlaces(const ChangeMarker& marker, const std::string& folder);
