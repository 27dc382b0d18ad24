#include "app/ctl/FileList.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "engine/Journal.h"

namespace {

void Walk(const std::string& folder, std::vector<ListedFile>* out) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) {
    out->push_back({folder, std::string("can't read the folder: ") + std::strerror(errno)});
    return;
  }
  std::vector<std::string> names;
  while (struct dirent* e = readdir(dir)) {
    if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    if (name.rfind(kJournalPrefix, 0) == 0) continue;
    const std::string path = (folder.back() == '/' ? folder : folder + "/") + name;
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) continue;  // gone meanwhile
    if (S_ISLNK(st.st_mode)) {
      out->push_back({path, "a link inside a folder, which is not followed"});
    } else if (S_ISDIR(st.st_mode)) {
      Walk(path, out);
    } else if (S_ISREG(st.st_mode)) {
      out->push_back({path, {}});
    }
  }
}

}  // namespace

std::vector<ListedFile> ListFiles(const std::vector<std::string>& named, bool recursive) {
  std::vector<ListedFile> out;
  for (const std::string& path : named) {
    struct stat st {};
    if (recursive && lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      Walk(path, &out);
    } else {
      out.push_back({path, {}});
    }
  }
  return out;
}
