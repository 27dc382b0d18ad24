// The settings file's reader on any bytes: what it takes is a usable value, whose own 13 bytes
// read back to the same value with nothing found unusable; the colour and the flag come from
// the bytes that hold them.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings/SettingsFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> notes;
  const Settings parsed = ParseSettings(data, size, Settings(), &notes);
  if (parsed.wtfold > 1 || notes.size() > 2) std::abort();
  if (!(parsed.WIN_X == parsed.WIN_X) || !(parsed.WIN_Y == parsed.WIN_Y)) std::abort();  // NaN
  if (size >= 12 && std::memcmp(&parsed.backcolor, data + 8, 4) != 0) std::abort();
  if (size >= 13 && parsed.wtfold != (data[12] != 0)) std::abort();

  const std::string bytes = EncodeSettings(parsed);
  if (bytes.size() != kSettingsFileBytes) std::abort();
  Settings other;
  other.WIN_X = -1;
  other.WIN_Y = -2;
  std::vector<std::string> again;
  const Settings back =
      ParseSettings(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), other, &again);
  if (!(back == parsed) || !again.empty()) std::abort();
  return 0;
}
