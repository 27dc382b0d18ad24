#include "engine/Journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "engine/ByteCoding.h"
#include "engine/PageHash.h"
#include "platform/FileCalls.h"
#include "platform/Paths.h"

namespace {

enum RecordType : uint8_t { kHeader = 1, kEntry = 2, kWindow = 3, kTurnBack = 4 };
constexpr char kMagic[] = "MVJ1";
// A payload longer than this is no record of ours (an entry's plan is at most a few hundred
// KiB: attribute values of up to 64 KiB each).
constexpr uint32_t kLargestPayload = 16u << 20;

uint64_t RecordHash(const char* record, size_t len) {
  return HashBytes(record, len);
}

std::string Why(const char* what, const std::string& path, int err) {
  return std::string(what) + " '" + path + "': " + std::strerror(-err);
}

void PutValue(ByteWriter& w, const AttrValue& v) {
  w.U8(v.present ? 1 : 0);
  w.U32(uint32_t(v.bytes.size()));
  w.Bytes(v.bytes);
}

bool GetValue(ByteReader& r, AttrValue* v) {
  uint8_t present = 0;
  uint32_t len = 0;
  if (!r.U8(&present) || present > 1 || !r.U32(&len) || !r.Bytes(&v->bytes, len)) return false;
  v->present = present == 1;
  return true;
}

std::string EncodeEntry(const JournalEntry& e) {
  ByteWriter w;
  w.U32(e.index);
  w.U8(e.direction == CipherDirection::Code ? 0 : 1);
  w.U64(e.device);
  w.U64(e.inode);
  w.U64(e.size);
  w.Bytes(e.key, 6);
  w.U32(uint32_t(e.path.size()));
  w.Bytes(e.path);
  w.U16(uint16_t(e.plan.size()));
  for (const AttrChange& c : e.plan) {
    w.U8(uint8_t(c.name.size()));
    w.Bytes(c.name);
    w.U8(c.afterIsIntegrity ? 1 : 0);
    PutValue(w, c.before);
    PutValue(w, c.after);
  }
  return w.Out();
}

bool DecodeEntry(ByteReader r, JournalEntry* e) {
  uint8_t dir = 0;
  uint32_t pathLen = 0;
  uint16_t count = 0;
  std::string key;
  if (!r.U32(&e->index) || !r.U8(&dir) || dir > 1 || !r.U64(&e->device) || !r.U64(&e->inode) ||
      !r.U64(&e->size) || !r.Bytes(&key, 6) || !r.U32(&pathLen) || !r.Bytes(&e->path, pathLen) ||
      !r.U16(&count))
    return false;
  e->direction = dir == 0 ? CipherDirection::Code : CipherDirection::Decode;
  std::memcpy(e->key, key.data(), 6);
  e->plan.resize(count);
  for (AttrChange& c : e->plan) {
    uint8_t nameLen = 0, integrity = 0;
    if (!r.U8(&nameLen) || !r.Bytes(&c.name, nameLen) || !r.U8(&integrity) || integrity > 1 ||
        !GetValue(r, &c.before) || !GetValue(r, &c.after))
      return false;
    c.afterIsIntegrity = integrity == 1;
  }
  return r.Left() == 0;
}

}  // namespace

JournalWriter::~JournalWriter() {
  if (fd_ >= 0) plat::Files().Close(fd_);
}

plat::Outcome JournalWriter::Create(const std::string& folder) {
  folder_ = folder;
  std::string name =
      (folder.empty() || folder.back() == '/' ? folder : folder + "/") + kJournalPrefix + "XXXXXX";
  int fd = plat::Files().CreateUnique(&name);
  if (fd < 0) return plat::Outcome::Fail(Why("can't make a journal in", folder, fd));
  fd_ = fd;
  path_ = name;
  // Held while the change runs: a journal that another program has locked is in use, however
  // its files look.
  (void)plat::Files().Flock(fd, LOCK_EX | LOCK_NB);
  if (getrandom(&nonce_, sizeof nonce_, 0) != ssize_t(sizeof nonce_)) {
    // Without the system's randomness the moment and the process make a nonce good enough to
    // tell one journal from another.
    nonce_ = uint64_t(time(nullptr)) * 0x9E3779B97F4A7C15ull ^ uint64_t(getpid()) ^ uint64_t(fd);
  }
  ByteWriter w;
  w.Bytes(kMagic, 4);
  w.U64(nonce_);
  AddRecord(kHeader, w.Out());
  return plat::Outcome::Ok();
}

void JournalWriter::AddRecord(uint8_t type, const std::string& payload) {
  ByteWriter w;
  w.U8(type);
  w.U32(uint32_t(payload.size()));
  w.Bytes(payload);
  w.U64(RecordHash(w.Out().data(), w.Out().size()));
  pending_ += w.Out();
}

void JournalWriter::AddEntry(const JournalEntry& entry) {
  AddRecord(kEntry, EncodeEntry(entry));
}

void JournalWriter::AddWindow(uint32_t entry, uint64_t firstPage, const uint64_t* hashes,
                              uint32_t count) {
  ByteWriter w;
  w.U32(entry);
  w.U64(firstPage);
  w.U32(count);
  for (uint32_t i = 0; i < count; ++i) w.U64(hashes[i]);
  AddRecord(kWindow, w.Out());
}

void JournalWriter::AddTurnBack(uint32_t entry) {
  ByteWriter w;
  w.U32(entry);
  AddRecord(kTurnBack, w.Out());
}

plat::Outcome JournalWriter::Write() {
  size_t done = 0;
  while (done < pending_.size()) {
    ssize_t r =
        plat::Files().Pwrite(fd_, pending_.data() + done, pending_.size() - done, end_ + done);
    if (r < 0) return plat::Outcome::Fail(Why("can't write the journal", path_, int(r)));
    if (r == 0) return plat::Outcome::Fail("can't write the journal '" + path_ + "'");
    done += size_t(r);
  }
  end_ += done;
  pending_.clear();
  return plat::Outcome::Ok();
}

plat::Outcome JournalWriter::Flush() {
  int r = plat::Files().Fdatasync(fd_);
  if (r < 0) return plat::Outcome::Fail(Why("can't flush the journal", path_, r));
  if (folderFlushed_) return plat::Outcome::Ok();
  int dir = plat::Files().Open(folder_.empty() ? "." : folder_, O_RDONLY | O_DIRECTORY);
  if (dir < 0) return plat::Outcome::Fail(Why("can't open the journal's folder", folder_, dir));
  r = plat::Files().Fsync(dir);
  plat::Files().Close(dir);
  if (r < 0) return plat::Outcome::Fail(Why("can't flush the journal's folder", folder_, r));
  folderFlushed_ = true;
  return plat::Outcome::Ok();
}

plat::Outcome JournalWriter::Remove() {
  if (fd_ >= 0) plat::Files().Close(fd_);
  fd_ = -1;
  int r = plat::Files().Unlink(path_);
  if (r < 0 && r != -ENOENT) return plat::Outcome::Fail(Why("can't remove the journal", path_, r));
  return plat::Outcome::Ok();
}

plat::Outcome ReadJournal(const std::string& path, JournalContents* out, bool* noHeader) {
  *out = JournalContents();
  if (noHeader) *noHeader = false;
  int fd = plat::Files().Open(path, O_RDONLY | O_NOFOLLOW);
  if (fd < 0) return plat::Outcome::Fail(Why("can't open the journal", path, fd));
  struct stat st {};
  std::string data;
  int r = plat::Files().Fstat(fd, &st);
  if (r == 0 && !S_ISREG(st.st_mode)) r = -EINVAL;
  if (r == 0) {
    data.resize(size_t(st.st_size));
    size_t got = 0;
    while (got < data.size()) {
      ssize_t n = plat::Files().Pread(fd, &data[got], data.size() - got, got);
      if (n <= 0) break;
      got += size_t(n);
    }
    data.resize(got);
  }
  plat::Files().Close(fd);
  if (r < 0) return plat::Outcome::Fail(Why("can't read the journal", path, r));

  bool header = false;
  ByteReader in(data);
  while (in.Left() > 0) {
    const char* start = in.Here();
    uint8_t type = 0;
    uint32_t len = 0;
    if (!in.U8(&type) || !in.U32(&len) || len > kLargestPayload || in.Left() < size_t(len) + 8)
      break;
    const char* payload = in.Here();
    in.Skip(len);
    uint64_t hash = 0;
    in.U64(&hash);
    if (hash != RecordHash(start, 5 + size_t(len))) break;
    ByteReader p(payload, len);
    if (!header) {
      std::string magic;
      if (type != kHeader || !p.Bytes(&magic, 4) || magic != kMagic || !p.U64(&out->nonce)) break;
      header = true;
      continue;
    }
    if (type == kEntry) {
      JournalEntry e;
      if (!DecodeEntry(p, &e)) break;
      out->files[e.index].entry = std::move(e);
    } else if (type == kWindow) {
      uint32_t entry = 0, count = 0;
      uint64_t first = 0;
      if (!p.U32(&entry) || !p.U64(&first) || !p.U32(&count) || p.Left() != size_t(count) * 8)
        break;
      auto it = out->files.find(entry);
      // Windows come in page order; one that does not continue the pages known adds nothing.
      if (it == out->files.end() || first != it->second.hashes.size()) continue;
      for (uint32_t i = 0; i < count; ++i) {
        uint64_t h = 0;
        p.U64(&h);
        it->second.hashes.push_back(h);
      }
    } else if (type == kTurnBack) {
      uint32_t entry = 0;
      if (!p.U32(&entry)) break;
      auto it = out->files.find(entry);
      if (it != out->files.end()) it->second.turnBack = true;
    }
  }
  if (!header) {
    if (noHeader) *noHeader = true;
    return plat::Outcome::Fail("'" + path + "' holds no journal");
  }
  return plat::Outcome::Ok();
}

std::string StateFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  std::string base;
  if (state && *state == '/') {
    base = state;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    base = std::string(home) + "/.local/state";
  }
  std::string folder = base + "/murvel";
  if (!plat::MakeFolderTree(folder)) return {};
  chmod(folder.c_str(), 0700);
  return folder;
}
