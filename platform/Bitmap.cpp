#include "platform/Bitmap.h"

#include <QImage>
#include <cstring>

namespace plat {

void Bitmap::SetBits(const uint8_t* data, size_t length) {
  if (!data) return;
  std::memcpy(bits_.data(), data, length < bits_.size() ? length : bits_.size());
}

QImage Bitmap::ToImage() const {
  if (width_ <= 0 || height_ <= 0) return QImage();
  QImage image(width_, height_, QImage::Format_ARGB32);
  // 96 dots an inch whatever the screen, or none: an icon written by the window and the same one
  // made by a program without a window must be the same bytes (a start takes back the icons it
  // wrote only where they read as written).
  image.setDotsPerMeterX(3780);
  image.setDotsPerMeterY(3780);
  const rgb_color* map = SystemColorMap();
  for (int y = 0; y < height_; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width_; ++x) {
      const rgb_color& c = map[bits_[size_t(y) * size_t(width_) + size_t(x)]];
      line[x] = qRgba(c.red, c.green, c.blue, c.alpha);
    }
  }
  return image;
}

}  // namespace plat
