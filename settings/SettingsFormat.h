#pragma once
// The settings as one value: the main window's position, its background colour and the
// "watch Folder" flag, and their 13-byte form in the settings file (little-endian, no header):
//   0  4  WIN_X      left edge, IEEE 754 single precision
//   4  4  WIN_Y      top edge, likewise
//   8  4  backcolor  red, green, blue, alpha
//  12  1  wtfold     0 off, 1 on
// The window's size is fixed and never stored.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/rgb_color.h"

struct Settings {
  float WIN_X = 30.0f;
  float WIN_Y = 50.0f;
  rgb_color backcolor = {98, 178, 178, 255};
  uint8_t wtfold = 0;
};

inline bool operator==(const Settings& a, const Settings& b) {
  return a.WIN_X == b.WIN_X && a.WIN_Y == b.WIN_Y && a.backcolor == b.backcolor &&
         a.wtfold == b.wtfold;
}

constexpr size_t kSettingsFileBytes = 13;

// The 13 bytes of the settings file for `settings`.
std::string EncodeSettings(const Settings& settings);

// The settings that the first `count` bytes of a settings file give, field by field over `base`:
// a field the bytes do not hold whole keeps its value in `base`, and so does a position that is
// no number or lies further than 100000 from the origin (no screen has such an edge: a damaged
// file), for which `notes` (when not null) gets a line such as
// "Settings: WIN_X nan unusable, keeping 30". Any set flag byte means on. Bytes past the 13th
// are not looked at.
Settings ParseSettings(const uint8_t* bytes, size_t count, const Settings& base,
                       std::vector<std::string>* notes);
