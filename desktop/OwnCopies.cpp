#include "desktop/OwnCopies.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "desktop/ThunarActions.h"
#include "platform/FileIO.h"
#include "platform/Paths.h"

namespace plat {
namespace {

// A regular file (not through a link) holding exactly `text`.
bool HoldsExactly(const std::string& path, const std::string& text) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (static_cast<size_t>(st.st_size) != text.size()) return false;
  std::string contents;
  return ReadWholeFile(path, &contents).ok() && contents == text;
}

Outcome Unlink(const std::string& path) {
  if (unlink(path.c_str()) == 0 || errno == ENOENT) return Outcome::Ok();
  return Outcome::Fail("cannot remove '" + path + "': " + std::strerror(errno));
}

}  // namespace

Outcome RemoveOwnDataFiles(const std::vector<ActionFile>& files,
                           std::vector<std::string>* removed) {
  std::string data;
  if (!FindUserDataDirectory(&data)) return Outcome::Ok();  // no user folder, nothing of ours
  Outcome first = Outcome::Ok();
  for (const ActionFile& file : files) {
    const std::string path = data + "/" + file.relativePath;
    if (!HoldsExactly(path, file.text)) continue;
    Outcome gone = Unlink(path);
    if (gone.ok() && removed) removed->push_back(file.relativePath);
    if (first.ok() && !gone.ok()) first = gone;
  }
  return first;
}

std::string WithoutThunarAction(const std::string& uca, const FileAction& action, bool* found) {
  const std::string element = ThunarActionElement(action);
  const size_t at = uca.find(element);
  *found = at != std::string::npos;
  if (!*found) return uca;
  // The element went in with the line break after it.
  size_t end = at + element.size();
  if (end < uca.size() && uca[end] == '\n') ++end;
  return uca.substr(0, at) + uca.substr(end);
}

Outcome RemoveThunarAction(const FileAction& action, bool* removed) {
  if (removed) *removed = false;
  std::string config;
  if (!FindUserSettingsDirectory(&config, false)) return Outcome::Ok();
  const std::string path = config + "/Thunar/uca.xml";
  std::string uca;
  if (!ReadWholeFile(path, &uca).ok()) return Outcome::Ok();  // none, or not ours to read
  bool found = false;
  const std::string rest = WithoutThunarAction(uca, action, &found);
  if (!found) return Outcome::Ok();
  if (removed) *removed = true;
  std::string origin = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n</actions>\n";
  for (const std::string& dir : SystemConfigDirectories()) {
    std::string system;
    if (ReadWholeFile(dir + "/Thunar/uca.xml", &system).ok()) {
      origin = system;
      break;
    }
  }
  if (rest == origin) return Unlink(path);
  struct stat st;
  const mode_t mode = stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0644;
  return WriteFileIfDifferent(path, rest, mode);
}

}  // namespace plat
