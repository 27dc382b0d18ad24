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

// The folder the last dialog ended in, so that the next starts there; the home folder at first.
QString& LastFolder() {
  static QString folder = QDir::homePath();
  return folder;
}

void ChooseFile(plat::Window* window) {
  const QString chosen =
      QFileDialog::getOpenFileName(window, "Choose a file to code or decode", LastFolder());
  if (chosen.isEmpty()) return;  // cancelled
  LastFolder() = QFileInfo(chosen).absolutePath();
  plat::Message message(plat::B_SIMPLE_DATA);
  message.AddRef("refs", QFile::encodeName(chosen).toStdString());
  message.SetDropped(true);
  window->PostMessage(message);
}

}  // namespace

void AddOpenShortcut(plat::Window* window) {
  auto* open = new QShortcut(QKeySequence::Open, window);
  QObject::connect(open, &QShortcut::activated, window, [window] { ChooseFile(window); });
}
