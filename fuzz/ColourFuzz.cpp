// Dropped colours: any colour text, and any drag data (text, a colour, file URLs) turned into
// the window's message and read the way the window reads it. A colour from text has alpha 0 and
// its six-digit form gives it back; a picker's colour comes through whole.
#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QMimeData>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/gui/DropData.h"
#include "settings/ColourHelpers.h"

namespace {

void CheckTextColour(const void* text, size_t size) {
  const rgb_color colour = ColourOfDropText(text, size);
  if (colour.alpha != 0) std::abort();
  const uint8_t rgb[3] = {colour.red, colour.green, colour.blue};
  if (ColourOfPickedColour(rgb) != colour) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const uint8_t parts = in.ConsumeIntegral<uint8_t>();

  // Colour text as txt2col sees it: terminated, in a block of exactly its size.
  const std::string text = in.ConsumeRandomLengthString(16);
  std::unique_ptr<char[]> terminated(new char[text.size() + 1]);
  std::memcpy(terminated.get(), text.c_str(), text.size() + 1);
  rgb_color direct;
  txt2col(terminated.get(), &direct);
  if (direct.alpha != 0) std::abort();
  CheckTextColour(text.data(), text.size());

  // Drag data as a desktop may send it.
  QMimeData mime;
  if (parts & 1) mime.setText(QString::fromUtf8(in.ConsumeRandomLengthString(64).c_str()));
  if (parts & 2) {
    const std::string colour = in.ConsumeRandomLengthString(32);
    mime.setData("application/x-color", QByteArray(colour.data(), qsizetype(colour.size())));
  }
  if (parts & 4) {
    const std::string urls = in.ConsumeRandomLengthString(128);
    mime.setData("text/uri-list", QByteArray(urls.data(), qsizetype(urls.size())));
  }
  const plat::Message message = plat::MessageFromMimeData(mime);
  const void* found = nullptr;
  size_t foundSize = 0;
  if (message.FindData("text/plain", plat::B_MIME_TYPE, 0, &found, &foundSize))
    CheckTextColour(found, foundSize);
  if (message.FindData("RGBColor", plat::B_RGB_COLOR_TYPE, 0, &found, &foundSize)) {
    if (foundSize != 4) std::abort();
    const uint8_t* rgb = static_cast<const uint8_t*>(found);
    if (ColourOfPickedColour(rgb) != (rgb_color{rgb[0], rgb[1], rgb[2], 0})) std::abort();
  }
  return 0;
}
