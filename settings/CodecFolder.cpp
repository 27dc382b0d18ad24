#include "settings/CodecFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/Paths.h"

namespace {

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// True for a program that runs from the folder the build installs programs into.
bool IsInstalledProgram(const std::string& programFolder) {
#ifdef MURVEL_INSTALL_BINDIR
  return plat::Normalized(programFolder) == plat::Normalized(MURVEL_INSTALL_BINDIR);
#else
  (void)programFolder;
  return false;
#endif
}

}  // namespace

CodecFolder EnsureCodecFolder(const std::string& beside) {
  CodecFolder folder;
  if (!beside.empty()) {
    folder.path = beside;
    if (!IsInstalledProgram(plat::ParentOf(beside))) {
      if (IsFolder(folder.path)) return folder;
      if (mkdir(folder.path.c_str(), 0755) == 0) {
        folder.created = true;
        return folder;
      }
      folder.why = std::strerror(errno);
    }
  }
  std::string data;
  if (!plat::FindUserDataDirectory(&data)) {
    // Nothing better to offer: the folder beside the program stays named, with its reason.
    if (folder.why.empty()) folder.why = "no user data folder (XDG_DATA_HOME, HOME)";
    return folder;
  }
  folder.path = data + "/murvel/codec";
  folder.beside = false;
  folder.why.clear();
  if (IsFolder(folder.path)) return folder;
  errno = 0;
  if (plat::MakeFolderTree(folder.path))
    folder.created = true;
  else
    folder.why = errno ? std::strerror(errno) : "a file of that name is in the way";
  return folder;
}
