#pragma once
// Whether the running program is the one installed for the whole system (by the package, or by
// `cmake --install`): a program in the folder the build installs programs into
// (MURVEL_INSTALL_BINDIR, /usr/bin for the package). Such a program finds its desktop entry,
// type, icons and file-manager entries in the system's folders and keeps its codec folder in the
// user's data folder; one run from its build folder sets these up for the user.
#include <string>

// True for a program whose executable lies in `programFolder` when that is the install folder.
bool IsInstalledProgramFolder(const std::string& programFolder);
