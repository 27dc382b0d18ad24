#include "platform/ImageFile.h"

#include <QImage>
#include <QImageReader>

namespace plat {

Outcome LoadImageFile(const std::string& path, QImage* image) {
  QImageReader reader(QString::fromStdString(path));
  reader.setDecideFormatFromContent(true);
  QImage decoded;
  if (!reader.read(&decoded) || decoded.isNull())
    return Outcome::Fail("cannot decode '" + path + "': " + reader.errorString().toStdString());
  if (image) *image = std::move(decoded);
  return Outcome::Ok();
}

}  // namespace plat
