#include "platform/gui/Handler.h"

#include <QWidget>

namespace plat {

QWidget* HandlerWidgetFor(QWidget* widget) {
  for (QWidget* w = widget; w; w = w->parentWidget())
    if (dynamic_cast<Handler*>(w)) return w;
  return nullptr;
}

Handler* HandlerFor(QWidget* widget) {
  return dynamic_cast<Handler*>(HandlerWidgetFor(widget));
}

}  // namespace plat
