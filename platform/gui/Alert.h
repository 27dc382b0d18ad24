#pragma once
// Modal alerts, behind a hook so that tests can answer them. The real hook shows a QMessageBox
// with the information icon and one button, which Enter presses, and waits until it is closed.
#include <string>

namespace plat {

class AlertHook {
 public:
  virtual ~AlertHook() = default;
  // Shows the alert and returns the index of the button that closed it.
  virtual int Go(const std::string& title, const std::string& text, const std::string& button) = 0;
};

// Shows an alert through the installed hook.
int ShowAlert(const std::string& title, const std::string& text, const std::string& button);
// Installs a hook (not owned); nullptr goes back to the message box.
void SetAlertHook(AlertHook* hook);

}  // namespace plat
