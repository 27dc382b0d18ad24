// The codec folder as a whole: every coded file decoded, or every plain file coded, entry by
// entry as if each had been dropped on the window and the Do-it button pressed.
#include "engine/Engine.h"
#include "platform/Directory.h"
#include "platform/Paths.h"

void Engine::DecAllFold(const std::string& folder) {
  WorkOverFolder(folder, true);
}

void Engine::ScanFold(const std::string& folder) {
  WorkOverFolder(folder, false);
}

void Engine::WorkOverFolder(const std::string& folder, bool coded) {
  plat::Directory dir(folder);
  std::string entry;
  while (dir.GetNextRef(&entry) == 0) {
    s_.currentPath = entry;
    XCheck(false);
    view_.SetFileLabel(plat::LeafOf(s_.currentPath));
    view_.UpdateIfNeeded();
    // The coded flag keeps its last value for an entry the inspection refuses; the transaction
    // does nothing for such an entry, since it is not workable.
    if (s_.coded == coded) (void)XWork();
  }
}
