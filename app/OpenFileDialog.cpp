#include "app/OpenFileDialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>
#include <QString>

#include "platform/gui/Message.h"
#include "platform/gui/Window.h"

namespace {

FileChooser& Chooser() {
  static FileChooser chooser;
  return chooser;
}

// The file dialog, starting in the folder the last one ended in (the home folder at first).
std::string ChooseWithDialog(QWidget* parent) {
  static QString folder = QDir::homePath();
  const QString chosen =
      QFileDialog::getOpenFileName(parent, "Choose a file to code or decode", folder);
  if (chosen.isEmpty()) return "";  // cancelled
  folder = QFileInfo(chosen).absolutePath();
  return QFile::encodeName(chosen).toStdString();
}

void TakeChosenFile(plat::Window* window) {
  const std::string chosen = Chooser() ? Chooser()(window) : ChooseWithDialog(window);
  if (chosen.empty()) return;
  plat::Message message(plat::B_SIMPLE_DATA);
  message.AddRef("refs", chosen);
  message.SetDropped(true);
  window->PostMessage(message);
}

}  // namespace

void AddOpenShortcut(plat::Window* window) {
  auto* open = new QShortcut(QKeySequence::Open, window);
  QObject::connect(open, &QShortcut::activated, window, [window] { TakeChosenFile(window); });
}

void SetFileChooser(FileChooser chooser) {
  Chooser() = std::move(chooser);
}
