#pragma once
// The application object: Qt's application with a signature, a message queue of its own and the
// hook through which files handed to the program arrive. A Linux desktop hands files to a program
// as command-line arguments (the desktop entry's "Exec=... %F"); they become one
// B_REFS_RECEIVED message with every path under "refs", queued at construction and so delivered
// to RefsReceived() once the event loop runs, after the constructors have built the windows.
#include <QApplication>
#include <string>

#include "platform/gui/Message.h"

namespace plat {

// The exit status of a program whose window has no display to go to: neither an X server nor a
// Wayland compositor could be reached (or the platform QT_QPA_PLATFORM names could not start).
// One line on standard error says what is missing (NoDisplayLine), where Qt itself would end
// the program with an abort.
constexpr int kNoDisplayExit = 2;

// That line: "murvel: no display for the window: " and what the environment names or lacks.
std::string NoDisplayLine();

class Application : public QApplication {
 public:
  // `argc` must outlive the application (Qt keeps a reference to it).
  Application(int& argc, char** argv, const char* signature);
  // Deletes the windows that are left.
  ~Application() override;

  // The one application object; nullptr before it exists or after it is gone.
  static Application* Instance();

  const std::string& Signature() const { return signature_; }

  // Runs the event loop until a B_QUIT_REQUESTED message comes up; returns Qt's exit code.
  int Run();

  // Queues a message for the application: B_REFS_RECEIVED goes to RefsReceived(),
  // B_QUIT_REQUESTED ends the loop, any other code goes to MessageReceived().
  void PostMessage(const Message& message);

  virtual void RefsReceived(Message* message);
  virtual void MessageReceived(Message* message);

  // The "refs" message for command-line arguments (paths, or file:// URLs); relative paths are
  // taken against the current folder. Empty (no fields) when there are none.
  static Message ArgvRefs(int argc, char** argv);

 protected:
  bool event(QEvent* event) override;

 private:
  std::string signature_;
};

}  // namespace plat
