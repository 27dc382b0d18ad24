#include "platform/gui/Invoker.h"

#include <QWidget>

#include "platform/gui/Window.h"

namespace plat {

void Invoker::Invoke() {
  if (auto* window = dynamic_cast<Window*>(self_->window())) window->PostMessage(message_);
}

}  // namespace plat
