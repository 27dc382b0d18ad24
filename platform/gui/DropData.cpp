#include "platform/gui/DropData.h"

#include <QMimeData>
#include <QUrl>

#include "platform/gui/Colors.h"
#include "platform/gui/LocalPath.h"

namespace plat {

namespace {

bool HasLocalFile(const QMimeData& data) {
  for (const QUrl& url : data.urls())
    if (url.isLocalFile()) return true;
  return false;
}

}  // namespace

bool AcceptsMimeData(const QMimeData& data) {
  return HasLocalFile(data) || data.hasText() || data.hasColor();
}

Message MessageFromMimeData(const QMimeData& data) {
  Message message(B_SIMPLE_DATA);
  // File managers send the file names as text beside the URLs, colour pickers the colour's name
  // beside the colour: neither text is a colour text of its own.
  if (data.hasText() && !HasLocalFile(data) && !data.hasColor()) {
    QByteArray text = data.text().toUtf8();
    message.AddData("text/plain", B_MIME_TYPE, text.constData(), size_t(text.size()));
  }
  if (data.hasColor()) {
    QColor color = qvariant_cast<QColor>(data.colorData());
    if (color.isValid()) {
      rgb_color c = FromQColor(color);
      message.AddData("RGBColor", B_RGB_COLOR_TYPE, &c, sizeof c);
    }
  }
  for (const QUrl& url : data.urls())
    if (url.isLocalFile()) message.AddRef("refs", LocalPathOf(url));
  return message;
}

}  // namespace plat
