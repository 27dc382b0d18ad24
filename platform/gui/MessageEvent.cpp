#include "platform/gui/MessageEvent.h"

namespace plat {

QEvent::Type MessageEvent::EventType() {
  static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
  return type;
}

}  // namespace plat
