#pragma once
// An 8-bit colour-mapped picture (the desktop's B_CMAP8 colour space): one byte per pixel, rows
// top to bottom, each byte an index into the fixed system colour map (SystemColorMap()), index
// 255 transparent. Icons are 32x32 (1024 bytes) and 16x16 (256 bytes).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/rgb_color.h"

class QImage;

namespace plat {

constexpr uint8_t B_TRANSPARENT_MAGIC_CMAP8 = 255;

// The 256 colours that colour-mapped bytes index. Entry 255 is transparent (alpha 0).
const rgb_color* SystemColorMap();
// The index of the colour-map entry nearest to `color` (an exact entry when there is one); a
// colour with alpha below 128 is the transparent index 255.
uint8_t NearestColorIndex(const rgb_color& color);

class Bitmap {
 public:
  // A negative edge counts as 0: the picture is then empty.
  Bitmap(int width, int height)
      : width_(width > 0 ? width : 0),
        height_(height > 0 ? height : 0),
        bits_(size_t(width_) * size_t(height_)) {}
  int Width() const { return width_; }
  int Height() const { return height_; }
  size_t BitsLength() const { return bits_.size(); }
  const uint8_t* Bits() const { return bits_.data(); }
  uint8_t* Bits() { return bits_.data(); }
  // Copies min(length, BitsLength()) bytes from `data`.
  void SetBits(const uint8_t* data, size_t length);
  // The picture through the system colour map, as 32-bit ARGB (transparent where index is 255).
  QImage ToImage() const;

 private:
  int width_;
  int height_;
  std::vector<uint8_t> bits_;
};

}  // namespace plat
