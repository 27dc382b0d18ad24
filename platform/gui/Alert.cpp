#include "platform/gui/Alert.h"

#include <QMessageBox>
#include <QPushButton>

namespace plat {
namespace {

class MessageBoxAlert : public AlertHook {
 public:
  int Go(const std::string& title, const std::string& text, const std::string& button) override {
    QMessageBox box(QMessageBox::Information, QString::fromStdString(title),
                    QString::fromStdString(text));
    QPushButton* only = box.addButton(QString::fromStdString(button), QMessageBox::AcceptRole);
    box.setDefaultButton(only);  // Enter presses it
    box.exec();
    return 0;
  }
};

MessageBoxAlert gMessageBox;
AlertHook* gHook = &gMessageBox;

}  // namespace

int ShowAlert(const std::string& title, const std::string& text, const std::string& button) {
  return gHook->Go(title, text, button);
}

void SetAlertHook(AlertHook* hook) {
  gHook = hook ? hook : &gMessageBox;
}

}  // namespace plat
