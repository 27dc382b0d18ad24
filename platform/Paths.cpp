#include "platform/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace plat {
namespace {

std::string StripTrailingSlashes(const std::string& path) {
  size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  return path.substr(0, end);
}

// An environment folder is usable when it is set, non-empty and absolute (the XDG rule:
// relative values are ignored).
bool EnvFolder(const char* name, std::string* out) {
  const char* v = std::getenv(name);
  if (!v || v[0] != '/') return false;
  *out = StripTrailingSlashes(v);
  return true;
}

// The absolute folders of a colon-separated list variable, else those of `fallback`.
std::vector<std::string> EnvFolderList(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  std::string list = v && *v ? v : fallback;
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    const std::string item = list.substr(start, end - start);
    if (!item.empty() && item[0] == '/') out.push_back(StripTrailingSlashes(item));
    start = end + 1;
  }
  return out;
}

}  // namespace

bool MakeFolderTree(const std::string& path) {
  struct stat st;
  if (path.empty()) return false;
  if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::string parent = ParentOf(path);
  if (parent != path && parent != "/" && parent != "." && !MakeFolderTree(parent)) return false;
  if (mkdir(path.c_str(), 0755) == 0) return true;
  return errno == EEXIST && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string LeafOf(const std::string& path) {
  std::string p = StripTrailingSlashes(path);
  if (p.empty() || p == "/") return "";
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string ParentOf(const std::string& path) {
  std::string p = StripTrailingSlashes(path);
  if (p.empty()) return ".";
  if (p == "/") return "/";
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return ".";
  while (slash > 0 && p[slash - 1] == '/') --slash;
  return slash == 0 ? "/" : p.substr(0, slash);
}

std::string Normalized(const std::string& path) {
  std::string full = path;
  if (full.empty() || full[0] != '/') {
    std::vector<char> cwd(4096);
    while (!getcwd(cwd.data(), cwd.size())) {
      if (errno != ERANGE) return path;
      cwd.resize(cwd.size() * 2);
    }
    full = std::string(cwd.data()) + "/" + path;
  }
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= full.size()) {
    size_t j = full.find('/', i);
    if (j == std::string::npos) j = full.size();
    std::string part = full.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  return out.empty() ? "/" : out;
}

long ReadLink(const std::string& path, char* buf, unsigned long size) {
  ssize_t n = readlink(path.c_str(), buf, size);
  return n < 0 ? -errno : long(n);
}

bool FindUserSettingsDirectory(std::string* out, bool create) {
  std::string dir;
  if (!EnvFolder("XDG_CONFIG_HOME", &dir)) {
    std::string home;
    if (!EnvFolder("HOME", &home)) return false;
    dir = (home == "/" ? "" : home) + "/.config";
  }
  if (create && !MakeFolderTree(dir)) return false;
  if (out) *out = dir;
  return true;
}

bool FindUserDataDirectory(std::string* out) {
  std::string dir;
  if (!EnvFolder("XDG_DATA_HOME", &dir)) {
    std::string home;
    if (!EnvFolder("HOME", &home)) return false;
    dir = (home == "/" ? "" : home) + "/.local/share";
  }
  if (out) *out = dir;
  return true;
}

std::vector<std::string> SystemDataDirectories() {
  return EnvFolderList("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
}

std::vector<std::string> SystemConfigDirectories() {
  return EnvFolderList("XDG_CONFIG_DIRS", "/etc/xdg");
}

namespace {
std::string gExecutableOverride;
}  // namespace

void SetAppExecutablePath(const std::string& path) {
  gExecutableOverride = path;
}

std::string AppExecutablePath() {
  if (!gExecutableOverride.empty()) return gExecutableOverride;
  std::vector<char> buf(4096);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return "";
    if (size_t(n) < buf.size()) return std::string(buf.data(), size_t(n));
    buf.resize(buf.size() * 2);
  }
}

}  // namespace plat
