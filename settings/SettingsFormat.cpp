#include "settings/SettingsFormat.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// A window edge further off than this is no screen position: a damaged file.
constexpr float kFarthestEdge = 100000.0f;

void PutFloat(char* out, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  for (int i = 0; i < 4; ++i) out[i] = char(uint8_t(bits >> (8 * i)));
}

float GetFloat(const uint8_t* in) {
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= uint32_t(in[i]) << (8 * i);
  float value;
  std::memcpy(&value, &bits, 4);
  return value;
}

// Takes a stored edge when it is a usable screen position; notes it when it is not.
void LoadEdge(const char* field, const uint8_t* in, float* edge, std::vector<std::string>* notes) {
  const float value = GetFloat(in);
  if (std::isfinite(value) && std::fabs(value) <= kFarthestEdge) {
    *edge = value;
    return;
  }
  if (!notes) return;
  char line[96];
  std::snprintf(line, sizeof line, "Settings: %s %g unusable, keeping %g", field, double(value),
                double(*edge));
  notes->push_back(line);
}

}  // namespace

std::string EncodeSettings(const Settings& settings) {
  std::string bytes(kSettingsFileBytes, '\0');
  PutFloat(&bytes[0], settings.WIN_X);
  PutFloat(&bytes[4], settings.WIN_Y);
  bytes[8] = char(settings.backcolor.red);
  bytes[9] = char(settings.backcolor.green);
  bytes[10] = char(settings.backcolor.blue);
  bytes[11] = char(settings.backcolor.alpha);
  bytes[12] = char(settings.wtfold);
  return bytes;
}

Settings ParseSettings(const uint8_t* bytes, size_t count, const Settings& base,
                       std::vector<std::string>* notes) {
  Settings out = base;
  if (bytes == nullptr) return out;
  if (count >= 4) LoadEdge("WIN_X", bytes, &out.WIN_X, notes);
  if (count >= 8) LoadEdge("WIN_Y", bytes + 4, &out.WIN_Y, notes);
  if (count >= 12) out.backcolor = {bytes[8], bytes[9], bytes[10], bytes[11]};
  if (count >= 13) out.wtfold = bytes[12] ? 1 : 0;
  return out;
}
