#include "app/DesktopFilesCommand.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "desktop/TypeSetup.h"

bool AsksToRemoveDesktopFiles(int argc, char** argv) {
  return argc == 2 && std::strcmp(argv[1], "--remove-desktop-files") == 0;
}

int RemoveDesktopFilesCommand() {
  std::vector<std::string> removed;
  const plat::Outcome outcome = RemoveUserDesktopFiles(&removed);
  for (const std::string& path : removed) std::printf("Removed '%s'\n", path.c_str());
  if (removed.empty() && outcome) std::printf("Nothing to remove\n");
  if (outcome) return 0;
  std::fprintf(stderr, "murvel: %s\n", outcome.why().c_str());
  return 1;
}
