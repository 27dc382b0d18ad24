#pragma once
// Choosing a file from the keyboard: Ctrl+O (the desktop's Open key) in the window opens a file
// dialog, and the file chosen there comes to the window as a dropped file does, colour check
// included. The window shows nothing new for it: no menu, no button.
#include <functional>
#include <string>

class QWidget;
namespace plat {
class Window;
}

// Puts the Open shortcut on `window`.
void AddOpenShortcut(plat::Window* window);

// What asks for the file: the path chosen, or "" when none was. The file dialog unless replaced
// (for tests); an empty function brings the dialog back.
using FileChooser = std::function<std::string(QWidget* parent)>;
void SetFileChooser(FileChooser chooser);
