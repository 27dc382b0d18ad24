#include "platform/gui/View.h"

#include <QPaintEvent>
#include <QPainter>

#include "platform/gui/Colors.h"

namespace plat {

View::View(const Rect& frame, const char* name, uint32_t flags) : ViewColors(this) {
  setObjectName(name);
  setGeometry(frame.ToQRect());
  setFocusPolicy((flags & B_NAVIGABLE) ? Qt::StrongFocus : Qt::NoFocus);
}

void View::AddChild(QWidget* child) {
  child->setParent(this);
  child->setVisible(true);
}

void View::SetViewBitmap(const QImage& bitmap, bool tile) {
  bitmap_ = bitmap;
  tile_ = tile;
}

void View::MessageReceived(Message* message) {
  if (Handler* next = HandlerFor(parentWidget())) next->MessageReceived(message);
}

void View::Draw(QPainter&, const Rect&) {}

// Colours are painted here, not through the palette.
void View::ApplyColors() {}

void View::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  if (ViewColor() != B_TRANSPARENT_32_BIT) painter.fillRect(rect(), ToQColor(ViewColor()));
  if (!bitmap_.isNull()) {
    if (tile_)
      painter.drawTiledPixmap(rect(), QPixmap::fromImage(bitmap_));
    else
      painter.drawImage(QPoint(0, 0), bitmap_);
  }
  Draw(painter, Rect::FromQRect(event->rect()));
}

}  // namespace plat
