#include "engine/LinkTarget.h"

#include <climits>
#include <cstdlib>

#include "platform/Paths.h"

std::string LinkTargetPath(const std::string& linkPath, const std::string& target) {
  if (target.empty() || target[0] == '/') return target;
  std::string folder = plat::ParentOf(linkPath);
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + target;
}

std::string ResolvedFile(const std::string& path) {
  char resolved[PATH_MAX];
  if (path.empty() || ::realpath(path.c_str(), resolved) == nullptr) return {};
  return resolved;
}
