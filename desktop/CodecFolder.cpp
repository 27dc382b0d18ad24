#include "desktop/CodecFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "desktop/Installation.h"
#include "platform/Paths.h"

namespace {

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A folder the folder operations can work in: one whose files can be listed and replaced.
bool IsUsableFolder(const std::string& path) {
  return IsFolder(path) && access(path.c_str(), R_OK | W_OK | X_OK) == 0;
}

}  // namespace

CodecFolder EnsureCodecFolder(const std::string& beside) {
  CodecFolder folder;
  if (!beside.empty()) {
    folder.path = beside;
    if (!IsInstalledProgramFolder(plat::ParentOf(beside))) {
      if (IsUsableFolder(folder.path)) return folder;
      if (!IsFolder(folder.path) && mkdir(folder.path.c_str(), 0755) == 0) {
        folder.created = true;
        return folder;
      }
    }
  }
  std::string data;
  if (!plat::FindUserDataDirectory(&data)) {
    // No other place: the folder beside the program stays named, with the reason.
    folder.why =
        "the program's folder cannot take it and there is no user data folder "
        "(XDG_DATA_HOME, HOME)";
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
