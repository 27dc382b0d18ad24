// The records a change leaves on disk, read back as another user or a damaged sector may have
// left them: the journal (its header, its entries written twice, its window, before and
// turn-back slots), the change marker and the integrity attribute. The first byte chooses which.
// Nothing may crash, and what is taken must be what the writer would have written.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/journal/ChangeMarker.h"
#include "engine/journal/IntegrityAttr.h"
#include "engine/journal/Journal.h"
#include "engine/journal/PageHash.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 3) {
    case 0: {
      JournalContents journal;
      JournalTrouble trouble = JournalTrouble::None;
      const Step read = ParseJournal("/j", bytes, &journal, &trouble);
      if (read.ok() != (trouble == JournalTrouble::None)) std::abort();
      // Every file taken has one hash and one flag per page of its size, under its own number.
      for (const auto& [index, file] : journal.files) {
        const uint64_t pages = PageCount(file.entry.size);
        if (file.entry.index != index || file.hashes.size() != pages || file.known.size() != pages)
          std::abort();
      }
      break;
    }
    case 1: {
      std::optional<ChangeMarker> marker = DecodeMarker(bytes);
      if (!marker) break;
      if (JournalPlaces(*marker, "/f").empty()) std::abort();
      if (bytes.compare(0, 4, "MVC2") == 0 && EncodeMarker(*marker) != bytes) std::abort();
      break;
    }
    default: {
      // The record it is tied to: the input's last 24 bytes, when it has them.
      const size_t split = bytes.size() > 24 ? bytes.size() - 24 : bytes.size();
      const std::string value = bytes.substr(0, split), record = bytes.substr(split);
      IntegrityCheck check = CheckIntegrity(value, record);
      if (check.kind == IntegrityCheck::Fits && value.compare(0, 4, "MVI2") == 0 &&
          EncodeIntegrity(check.integrity, record) != value)
        std::abort();
      break;
    }
  }
  return 0;
}
