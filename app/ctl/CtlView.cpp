#include "app/ctl/CtlView.h"

bool CtlView::PasswordRefused() const {
  return passText_.find("wrong") != std::string::npos;
}
