#include "tests/engine/journal/ModelDisk.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "platform/Paths.h"

namespace {
constexpr size_t kSector = 512;
}

ModelDisk::Change ModelDisk::NewChange(Change::Kind kind, uint64_t inode) {
  Change c;
  c.kind = kind;
  c.inode = inode;
  return c;
}

void ModelDisk::AddFile(const std::string& path, const std::vector<uint8_t>& bytes,
                        const std::map<std::string, std::string>& attrs) {
  for (State* s : {&disk_, &cache_}) {
    uint64_t inode = s->nextInode++;
    s->names[path] = inode;
    s->nodes[inode] = Node{bytes, attrs};
  }
}

const ModelDisk::Node* ModelDisk::Cached(const std::string& path) const {
  auto n = cache_.names.find(path);
  return n == cache_.names.end() ? nullptr : &cache_.nodes.at(n->second);
}

std::vector<std::string> ModelDisk::Names() const {
  std::vector<std::string> out;
  for (const auto& [name, inode] : cache_.names) out.push_back(name);
  return out;
}

void ModelDisk::CutPowerAt(uint64_t call, double keep, unsigned seed) {
  cutAt_ = call;
  keep_ = keep;
  seed_ = seed;
}

void ModelDisk::CutPowerAtDataWrite(uint64_t n) {
  cutAtDataWrite_ = n;
}

void ModelDisk::FailAt(uint64_t call, int err) {
  failAt_[call] = err;
}

ModelDisk::State ModelDisk::WrittenBack() const {
  State s = disk_;
  for (const Change& c : pending_) Apply(s, c);
  return s;
}

bool ModelDisk::Enter(int* err) {
  const uint64_t call = calls_++;
  if (!cut_ && call == cutAt_) {
    // What the disk holds after the cut: what was flushed, and some of the rest.
    std::mt19937 gen(seed_);
    std::bernoulli_distribution survives(keep_);
    for (const Change& c : pending_)
      if (survives(gen)) Apply(disk_, c);
    pending_.clear();
    cut_ = true;
  }
  if (cut_) {
    *err = -EIO;
    return false;
  }
  auto fail = failAt_.find(call);
  failing_ = fail != failAt_.end();
  if (failing_) {
    *err = fail->second;
    return false;
  }
  return true;
}

void ModelDisk::Apply(State& s, const Change& c) {
  switch (c.kind) {
    case Change::Bytes: {
      Node& n = s.nodes[c.inode];
      if (n.bytes.size() < c.offset + c.data.size()) n.bytes.resize(c.offset + c.data.size());
      std::memcpy(n.bytes.data() + c.offset, c.data.data(), c.data.size());
      break;
    }
    case Change::Resize:
      s.nodes[c.inode].bytes.resize(size_t(c.offset));
      break;
    case Change::SetAttr:
      s.nodes[c.inode].attrs[c.name] = c.data;
      break;
    case Change::RemoveAttr:
      s.nodes[c.inode].attrs.erase(c.name);
      break;
    case Change::Link:
      s.names[c.path] = c.inode;
      s.nodes[c.inode];
      break;
    case Change::Unlink:
      s.names.erase(c.path);
      break;
    case Change::Rename:
      s.names[c.data] = c.inode;
      s.names.erase(c.path);
      break;
  }
}

void ModelDisk::Note(Change c) {
  Apply(cache_, c);
  pending_.push_back(std::move(c));
}

template <typename Pred>
void ModelDisk::FlushWhere(Pred covers, bool lose) {
  std::vector<Change> rest;
  for (Change& c : pending_) {
    if (covers(c)) {
      if (!lose) Apply(disk_, c);
    } else {
      rest.push_back(std::move(c));
    }
  }
  pending_ = std::move(rest);
}

ModelDisk::Node* ModelDisk::NodeOf(int fd) {
  auto h = handles_.find(fd);
  if (h == handles_.end() || h->second.folder) return nullptr;
  return &cache_.nodes[h->second.inode];
}

ModelDisk::Node* ModelDisk::NodeAt(const std::string& path) {
  auto n = cache_.names.find(path);
  return n == cache_.names.end() ? nullptr : &cache_.nodes[n->second];
}

int ModelDisk::Open(const std::string& path, int flags, mode_t) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  if (!Enter(&err)) return err;
  auto n = cache_.names.find(path);
  if (n == cache_.names.end()) {
    // A folder: the parent of some name.
    bool folder = std::any_of(cache_.names.begin(), cache_.names.end(),
                              [&](const auto& e) { return plat::ParentOf(e.first) == path; });
    if (!folder) return -ENOENT;
    handles_[nextFd_] = {path, 0, true};
    return nextFd_++;
  }
  if (flags & O_DIRECTORY) return -ENOTDIR;
  handles_[nextFd_] = {path, n->second, false};
  return nextFd_++;
}

int ModelDisk::Close(int fd) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return handles_.erase(fd) ? 0 : -EBADF;
}

int ModelDisk::Fstat(int fd, struct stat* st) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  if (!Enter(&err)) return err;
  auto h = handles_.find(fd);
  if (h == handles_.end()) return -EBADF;
  *st = {};
  st->st_dev = 1;
  st->st_uid = geteuid();
  st->st_ino = h->second.inode;
  st->st_mode = h->second.folder ? (S_IFDIR | 0755) : (S_IFREG | 0644);
  if (!h->second.folder) st->st_size = off_t(cache_.nodes[h->second.inode].bytes.size());
  return 0;
}

int ModelDisk::Stat(const std::string& path, struct stat* st) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  if (!Enter(&err)) return err;
  auto n = cache_.names.find(path);
  if (n == cache_.names.end()) return -ENOENT;
  *st = {};
  st->st_dev = 1;
  st->st_ino = n->second;
  st->st_mode = S_IFREG | 0644;
  st->st_size = off_t(cache_.nodes[n->second].bytes.size());
  return 0;
}

ssize_t ModelDisk::Pread(int fd, void* buf, size_t len, uint64_t offset) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  if (!Enter(&err)) return err;
  Node* n = NodeOf(fd);
  if (!n) return -EBADF;
  if (offset >= n->bytes.size()) return 0;
  size_t got = std::min<size_t>(len, n->bytes.size() - offset);
  std::memcpy(buf, n->bytes.data() + offset, got);
  return ssize_t(got);
}

ssize_t ModelDisk::Pwrite(int fd, const void* buf, size_t len, uint64_t offset) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  if (!Enter(&err)) return err;
  if (!NodeOf(fd)) return -EBADF;
  const uint64_t inode = handles_[fd].inode;
  const char* p = static_cast<const char*>(buf);
  // Each sector of the write reaches the disk on its own.
  for (uint64_t at = offset; at < offset + len;) {
    uint64_t end = std::min<uint64_t>(offset + len, (at / kSector + 1) * kSector);
    Change c = NewChange(Change::Bytes, inode);
    c.offset = at;
    c.data.assign(p + (at - offset), size_t(end - at));
    Note(std::move(c));
    at = end;
  }
  if (cutAtDataWrite_ && plat::LeafOf(handles_[fd].path).rfind(".murvel-journal-", 0) != 0 &&
      ++dataWrites_ == cutAtDataWrite_) {
    std::set<uint64_t> journals;
    for (const auto& [name, node] : cache_.names)
      if (plat::LeafOf(name).rfind(".murvel-journal-", 0) == 0) journals.insert(node);
    for (const Change& p : pending_)
      if (!journals.count(p.inode)) Apply(disk_, p);
    pending_.clear();
    cut_ = true;
  }
  return ssize_t(len);
}

int ModelDisk::Ftruncate(int fd, uint64_t size) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  if (!Enter(&err)) return err;
  if (!NodeOf(fd)) return -EBADF;
  Change c = NewChange(Change::Resize, handles_[fd].inode);
  c.offset = size;
  Note(std::move(c));
  return 0;
}

int ModelDisk::Fdatasync(int fd) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err = 0;
  const bool entered = Enter(&err);
  if (!entered && !failing_) return err;
  auto h = handles_.find(fd);
  if (h == handles_.end()) return -EBADF;
  const uint64_t inode = h->second.inode;
  FlushWhere(
      [&](const Change& c) {
        return c.inode == inode && (c.kind == Change::Bytes || c.kind == Change::Resize);
      },
      !entered);
  return err;
}

int ModelDisk::Fsync(int fd) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err = 0;
  const bool entered = Enter(&err);
  if (!entered && !failing_) return err;
  auto h = handles_.find(fd);
  if (h == handles_.end()) return -EBADF;
  if (h->second.folder) {
    const std::string folder = h->second.path;
    FlushWhere(
        [&](const Change& c) {
          return (c.kind == Change::Link || c.kind == Change::Unlink || c.kind == Change::Rename) &&
                 plat::ParentOf(c.path) == folder;
        },
        !entered);
    return err;
  }
  const uint64_t inode = h->second.inode;
  FlushWhere(
      [&](const Change& c) {
        return c.inode == inode && c.kind != Change::Link && c.kind != Change::Unlink &&
               c.kind != Change::Rename;
      },
      !entered);
  return err;
}

int ModelDisk::Syncfs(int) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err = 0;
  const bool entered = Enter(&err);
  if (!entered && !failing_) return err;
  FlushWhere([](const Change&) { return true; }, !entered);
  return err;
}

int ModelDisk::Flock(int, int) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  return Enter(&err) ? 0 : err;
}

int ModelDisk::CreateUnique(std::string* path) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  if (!Enter(&err)) return err;
  std::string name = *path;
  const size_t x = name.rfind("XXXXXX");
  if (x == std::string::npos) return -EINVAL;
  name.replace(x, 6, std::to_string(100000 + cache_.nextInode));
  Change c = NewChange(Change::Link, cache_.nextInode++);
  c.path = name;
  disk_.nextInode = std::max(disk_.nextInode, cache_.nextInode);
  Note(c);
  *path = name;
  handles_[nextFd_] = {name, c.inode, false};
  return nextFd_++;
}

int ModelDisk::Unlink(const std::string& path) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  if (!Enter(&err)) return err;
  if (!cache_.names.count(path)) return -ENOENT;
  Change c = NewChange(Change::Unlink, cache_.names[path]);
  c.path = path;
  Note(std::move(c));
  return 0;
}

int ModelDisk::RenameNoReplace(const std::string& from, const std::string& to) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  if (!Enter(&err)) return err;
  if (!cache_.names.count(from)) return -ENOENT;
  if (cache_.names.count(to)) return -EEXIST;
  // One change, in the folder of both names: a crash leaves the one name or the other.
  Change c = NewChange(Change::Rename, cache_.names[from]);
  c.path = from;
  c.data = to;
  Note(std::move(c));
  return 0;
}

int ModelDisk::Reopen(int fd, int) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  if (!Enter(&err)) return err;
  auto h = handles_.find(fd);
  if (h == handles_.end()) return -EBADF;
  handles_[nextFd_] = h->second;
  return nextFd_++;
}

int ModelDisk::StartWriteback(int, uint64_t, uint64_t) {
  return 0;
}

int ModelDisk::ListNames(const std::string& folder, std::vector<std::string>* names) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  if (!Enter(&err)) return err;
  names->clear();
  for (const auto& [name, inode] : cache_.names)
    if (plat::ParentOf(name) == folder) names->push_back(plat::LeafOf(name));
  return 0;
}

ssize_t ModelDisk::Get(const std::string& path, const std::string& name, void* buf, size_t size) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!cache_.names.count(path)) return -ENOENT;
  int fd = nextFd_++;
  handles_[fd] = {path, cache_.names[path], false};
  ssize_t r = Get(fd, name, buf, size);
  handles_.erase(fd);
  return r;
}

int ModelDisk::Set(const std::string& path, const std::string& name, const void* data,
                   size_t size) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!cache_.names.count(path)) return -ENOENT;
  int fd = nextFd_++;
  handles_[fd] = {path, cache_.names[path], false};
  int r = Set(fd, name, data, size);
  handles_.erase(fd);
  return r;
}

int ModelDisk::Remove(const std::string& path, const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!cache_.names.count(path)) return -ENOENT;
  int fd = nextFd_++;
  handles_[fd] = {path, cache_.names[path], false};
  int r = Remove(fd, name);
  handles_.erase(fd);
  return r;
}

ssize_t ModelDisk::Get(int fd, const std::string& name, void* buf, size_t size) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  if (!Enter(&err)) return err;
  Node* n = NodeOf(fd);
  if (!n) return -EBADF;
  auto a = n->attrs.find(name);
  if (a == n->attrs.end()) return -ENODATA;
  size_t len = std::min(size, a->second.size());
  std::memcpy(buf, a->second.data(), len);
  return ssize_t(len);
}

int ModelDisk::Set(int fd, const std::string& name, const void* data, size_t size) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  if (!Enter(&err)) return err;
  if (!NodeOf(fd)) return -EBADF;
  Change c = NewChange(Change::SetAttr, handles_[fd].inode);
  c.name = name;
  c.data.assign(static_cast<const char*>(data), size);
  Note(std::move(c));
  return 0;
}

int ModelDisk::Remove(int fd, const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  if (!Enter(&err)) return err;
  Node* n = NodeOf(fd);
  if (!n) return -EBADF;
  if (!n->attrs.count(name)) return -ENODATA;
  Change c = NewChange(Change::RemoveAttr, handles_[fd].inode);
  c.name = name;
  Note(std::move(c));
  return 0;
}

int ModelDisk::List(int fd, std::vector<std::string>* names) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int err;
  if (!Enter(&err)) return err;
  Node* n = NodeOf(fd);
  if (!n) return -EBADF;
  names->clear();
  for (const auto& [name, value] : n->attrs) names->push_back(name);
  return 0;
}
