#include "app/ctl/FileList.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <queue>

#include "engine/journal/JournalPolicy.h"
#include "engine/journal/Recovery.h"
#include "platform/OpenFile.h"
#include "platform/Paths.h"

namespace {

// A path this long may no longer be handed to the kernel whole once a leaf name and the
// journal's name are put after it.
bool TooLongForTheKernel(size_t length) {
  return length + NAME_MAX + 64 >= PATH_MAX;
}

std::string Joined(const std::string& folder, const std::string& name) {
  return (!folder.empty() && folder.back() == '/' ? folder : folder + "/") + name;
}

std::string ErrText(int err) {
  return std::strerror(err);
}

// Opens the folder at `path`, of any length: one component after the other when the kernel
// refuses the whole. A descriptor, or -errno.
int OpenFolder(const std::string& path, int start) {
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;
  int fd = open(path.c_str(), flags);
  if (fd >= 0) return fd;
  if (errno != ENAMETOOLONG) return -errno;
  plat::OpenFile at(path[0] == '/' ? open("/", O_PATH | O_DIRECTORY | O_CLOEXEC)
                                   : (start >= 0 ? dup(start) : open(".", O_PATH | O_DIRECTORY)));
  if (!at.IsOpen()) return -errno;
  size_t from = 0;
  while (from < path.size()) {
    size_t end = path.find('/', from);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(from, end - from);
    from = end + 1;
    if (part.empty() || part == ".") continue;
    plat::OpenFile next(openat(at.Fd(), part.c_str(),
                               (from >= path.size() ? flags : O_PATH | O_DIRECTORY) | O_CLOEXEC));
    if (!next.IsOpen()) return -errno;
    at = std::move(next);
  }
  // A path that ended in "." or "/": the last one opened was only a path.
  fd = openat(at.Fd(), ".", flags);
  return fd >= 0 ? fd : -errno;
}

}  // namespace

// A folder being walked: its descriptor, and the next part of its names in order.
struct FileStream::Level {
  plat::OpenFile folder;  // open for as long as the walk is in it
  int fd() const { return folder.Fd(); }
  std::string shown;      // its path as the lines show it
  bool longPath = false;  // its files are named by leaf name from the folder itself
  std::string namedFile;  // a named file reached through this folder: its path as given
  std::vector<std::string> names;
  size_t next = 0;
  std::string after;  // the last name of the part held
  bool started = false, last = false;
  bool hasJournals = false, swept = false;
};

FileStream::FileStream(std::vector<std::string> named, bool recursive, bool sweepJournals,
                       size_t namesHeld)
    : named_(std::move(named)),
      recursive_(recursive),
      sweepJournals_(sweepJournals),
      namesHeld_(namesHeld) {
  start_ = plat::OpenFile(open(".", O_PATH | O_DIRECTORY | O_CLOEXEC));
  // A deep tree holds one descriptor for each folder on the way down.
  struct rlimit files {};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    (void)setrlimit(RLIMIT_NOFILE, &files);
  }
}

FileStream::~FileStream() {
  // Back where the program started, for what it does after the walk (the sweep of the folders
  // named).
  Enter(start_.Fd(), nullptr);
}

bool FileStream::Enter(int fd, std::vector<ListedFile>* batch) {
  if (fd >= 0 && fchdir(fd) == 0) return true;
  const int err = fd >= 0 ? errno : EBADF;
  // Named from another folder, the batch's names could lead to other files: none is worked on.
  if (batch)
    for (ListedFile& f : *batch)
      if (f.skipped.empty()) {
        f.skipped = "can't enter the folder it is named from: " + ErrText(err);
        f.unreadable = true;
      }
  return false;
}

void FileStream::Sweep(const std::string& folder) {
  if (sweepJournals_) RemoveStaleJournals(folder);
}

void FileStream::PushFolder(plat::OpenFile folder, const std::string& shown) {
  Level level;
  level.folder = std::move(folder);
  level.shown = shown;
  level.longPath = TooLongForTheKernel(shown.size());
  levels_.push_back(std::move(level));
}

// Reads the folder for the next held names in order after those already handed out.
// 0, or the errno of a folder that cannot be read.
int FileStream::Refill(Level& level) {
  level.names.clear();
  level.next = 0;
  level.last = true;
  level.started = true;
  int fd = dup(level.fd());
  DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
  if (!dir) {
    const int err = errno;
    if (fd >= 0) close(fd);
    return err;
  }
  rewinddir(dir);
  std::priority_queue<std::string> smallest;  // the largest of them on top
  size_t candidates = 0;
  const bool first = level.after.empty();
  errno = 0;
  while (struct dirent* e = readdir(dir)) {
    const char* name = e->d_name;
    if (!std::strcmp(name, ".") || !std::strcmp(name, "..")) continue;
    if (IsJournalName(name)) {
      level.hasJournals = true;
      continue;
    }
    if (!first && std::strcmp(name, level.after.c_str()) <= 0) continue;
    ++candidates;
    if (smallest.size() < namesHeld_) {
      smallest.emplace(name);
    } else if (std::strcmp(name, smallest.top().c_str()) < 0) {
      smallest.pop();
      smallest.emplace(name);
    }
  }
  const int err = errno;
  closedir(dir);
  level.names.resize(smallest.size());
  for (size_t i = smallest.size(); i-- > 0; smallest.pop()) level.names[i] = smallest.top();
  level.last = candidates <= namesHeld_;
  if (!level.names.empty()) level.after = level.names.back();
  return err;
}

// Makes the current folder the one the batch's files are named from.
bool FileStream::Ready(const Level& level, std::vector<ListedFile>* batch) {
  Enter(level.longPath ? level.fd() : start_.Fd(), batch);
  return true;
}

bool FileStream::Next(std::vector<ListedFile>* batch, size_t most) {
  batch->clear();
  while (!levels_.empty()) {
    Level& level = levels_.back();
    if (!level.namedFile.empty()) {
      // A named file whose path is too long: named by its leaf from its folder.
      batch->push_back({level.namedFile, {}, plat::LeafOf(level.namedFile)});
      if (Enter(level.fd(), batch)) Sweep(".");
      levels_.pop_back();
      return true;
    }
    if (level.next == level.names.size()) {
      if (level.started && level.last) {
        if (!batch->empty()) return Ready(level, batch);
        levels_.pop_back();
        continue;
      }
      if (int err = Refill(level))
        batch->push_back({level.shown, "can't read the folder: " + ErrText(err), {}, true});
      if (level.hasJournals && !level.swept) {
        if (!batch->empty()) return Ready(level, batch);
        if (Enter(level.longPath ? level.fd() : start_.Fd(), nullptr))
          Sweep(level.longPath ? "." : level.shown);
      }
      level.swept = true;
      continue;
    }
    const std::string& name = level.names[level.next];
    const std::string shown = Joined(level.shown, name);
    struct stat st {};
    if (fstatat(level.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      const int err = errno;
      ++level.next;
      if (err != ENOENT)  // gone meanwhile
        batch->push_back({shown, "can't read its status: " + ErrText(err), {}, true});
    } else if (S_ISDIR(st.st_mode)) {
      if (!batch->empty()) return Ready(level, batch);
      ++level.next;
      plat::OpenFile folder(openat(level.fd(), name.c_str(),
                                   O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
      if (!folder.IsOpen())
        batch->push_back({shown, "can't read the folder: " + ErrText(errno), {}, true});
      else
        PushFolder(std::move(folder), shown);
    } else {
      ++level.next;
      if (S_ISLNK(st.st_mode))
        batch->push_back({shown, "a link inside a folder, which is not followed", {}});
      else if (S_ISREG(st.st_mode))
        batch->push_back({shown, {}, level.longPath ? name : shown});
    }
    if (batch->size() >= most) return Ready(level, batch);
  }
  // The files named, and the folders among them with --recursive.
  while (batch->size() < most && nextNamed_ < named_.size()) {
    const std::string& path = named_[nextNamed_];
    if (recursive_) {
      struct stat st {};
      const bool statted = lstat(path.c_str(), &st) == 0;
      const bool linked = statted && S_ISLNK(st.st_mode);
      plat::OpenFile folder(linked ? -ENOTDIR : OpenFolder(path, start_.Fd()));
      if (folder.IsOpen() || (statted && S_ISDIR(st.st_mode))) {
        if (!batch->empty()) break;
        ++nextNamed_;
        if (!folder.IsOpen()) {
          batch->push_back({path, "can't read the folder: " + ErrText(-folder.Fd()), {}, true});
          continue;
        }
        PushFolder(std::move(folder), path);
        return Next(batch, most);
      }
    }
    if (TooLongForTheKernel(path.size())) {
      if (!batch->empty()) break;
      ++nextNamed_;
      plat::OpenFile folder(OpenFolder(plat::ParentOf(path), start_.Fd()));
      if (!folder.IsOpen()) {
        // The engine tells why it cannot be had.
        batch->push_back({path, {}, path});
        continue;
      }
      Level level;
      level.folder = std::move(folder);
      level.namedFile = path;
      levels_.push_back(std::move(level));
      return Next(batch, most);
    }
    ++nextNamed_;
    const std::string parent = plat::ParentOf(path);
    if (sweepJournals_ && sweptNamed_.insert(parent).second && Enter(start_.Fd(), nullptr))
      Sweep(parent);
    batch->push_back({path, {}, path});
  }
  if (batch->empty()) return false;
  Enter(start_.Fd(), batch);
  return true;
}
