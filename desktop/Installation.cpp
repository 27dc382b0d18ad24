#include "desktop/Installation.h"

#include "platform/Paths.h"

bool IsInstalledProgramFolder(const std::string& programFolder) {
#ifdef MURVEL_INSTALL_BINDIR
  return !programFolder.empty() &&
         plat::Normalized(programFolder) == plat::Normalized(MURVEL_INSTALL_BINDIR);
#else
  (void)programFolder;
  return false;
#endif
}
