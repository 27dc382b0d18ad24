#pragma once
// A view: a rectangle of the window with its colours, an optional background bitmap and its own
// drawing. A redraw fills the view colour (unless it is B_TRANSPARENT_32_BIT), lays the view
// bitmap over it (tiled or once at the top left), then calls Draw() with the same painter.
//
// Views are created with their frame in the parent's coordinates and handed to the parent with
// AddChild(); the parent owns and destroys them. A view is a Handler: messages that reach it
// and that it does not handle go on to its parent view and finally to the window.
#include <QImage>
#include <QWidget>
#include <cstdint>

#include "platform/gui/Handler.h"
#include "platform/gui/Rect.h"
#include "platform/gui/ViewColors.h"

class QPainter;

namespace plat {

// View flags: B_NAVIGABLE lets keyboard navigation (Tab) reach the view. (Views keep the frame
// they are made with: the window has a fixed size.)
constexpr uint32_t B_NAVIGABLE = 0x2;

class View : public QWidget, public ViewColors, public Handler {
 public:
  View(const Rect& frame, const char* name, uint32_t flags = 0);

  // Makes `child` a child of this view, at the frame it was created with, shown with this view.
  void AddChild(QWidget* child);

  Rect Frame() const { return Rect::FromQRect(geometry()); }
  Rect Bounds() const { return Frame().Bounds(); }

  // The bitmap drawn over the view colour; `tile` repeats it over the whole view.
  void SetViewBitmap(const QImage& bitmap, bool tile);
  const QImage& ViewBitmap() const { return bitmap_; }
  bool ViewBitmapTiled() const { return tile_; }

  // The pen width that Draw() uses for lines.
  void SetPenSize(float size) { penSize_ = size; }
  float PenSize() const { return penSize_; }

  // Passes the message on to the parent view or the window.
  void MessageReceived(Message* message) override;

 protected:
  // The view's own drawing, after the background; the painter is clipped to the view.
  virtual void Draw(QPainter& painter, const Rect& updateRect);
  void paintEvent(QPaintEvent* event) override;
  void ApplyColors() override;

 private:
  QImage bitmap_;
  bool tile_ = false;
  float penSize_ = 1.0f;
};

}  // namespace plat
