#pragma once
// Choosing a file from the keyboard: Ctrl+O (the desktop's Open key) in the window opens a file
// dialog, and the file chosen there comes to the window as a dropped file does, colour check
// included. The window shows nothing new for it: no menu, no button.
namespace plat {
class Window;
}

// Puts the Open shortcut on `window`.
void AddOpenShortcut(plat::Window* window);
