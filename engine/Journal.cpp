#include "engine/Journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "engine/ByteCoding.h"
#include "engine/JournalPolicy.h"
#include "engine/PageHash.h"
#include "platform/FileCalls.h"
#include "platform/Paths.h"

namespace {

enum RecordType : uint8_t { kHeader = 1, kEntry = 2, kWindow = 3, kTurnBack = 4, kBefore = 5 };
constexpr char kMagic[] = "MVJ2";
constexpr char kEnd[] = "MVJ2-END";
// Where the two copies of the header lie (in sectors of their own), and where the entries begin.
constexpr uint64_t kHeaderB = 512;
constexpr uint64_t kEntriesAt = 1024;
// A record's type, length and hash around its payload.
constexpr uint64_t kRecordOverhead = 1 + 4 + 8;
// A window record's piece: entry, first page, page count, whether its hashes were read.
constexpr uint64_t kPieceOverhead = 4 + 8 + 4 + 1;
constexpr uint64_t kTurnBackRecord = kRecordOverhead + 4;
// A journal longer than this is no journal of ours (a 64 GiB file needs some 260 MiB).
constexpr uint64_t kLargestJournal = uint64_t(1) << 30;

Fault Why(FaultCode what, const std::string& path, int err) {
  return Fault(what).Path(path).Err(err);
}

std::string Record(uint8_t type, const std::string& payload) {
  ByteWriter w;
  w.U8(type);
  w.U32(uint32_t(payload.size()));
  w.Bytes(payload);
  w.U64(HashBytes(w.Out().data(), w.Out().size()));
  return w.Out();
}

// The record of `type` at the start of `data` (at most `size` bytes): its payload, and its
// whole length in `*used`. False when it is cut short, of another type or does not match its
// hash.
bool ReadRecord(const char* data, uint64_t size, uint8_t type, std::string* payload,
                uint64_t* used) {
  ByteReader r(data, size_t(size));
  uint8_t t = 0;
  uint32_t len = 0;
  if (!r.U8(&t) || t != type || !r.U32(&len) || r.Left() < uint64_t(len) + 8) return false;
  const char* body = r.Here();
  r.Skip(len);
  uint64_t hash = 0;
  r.U64(&hash);
  if (hash != HashBytes(data, 5 + size_t(len))) return false;
  payload->assign(body, len);
  *used = kRecordOverhead + len;
  return true;
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
  w.U32(e.mode);
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
  // The mode came last, later: an entry without it is whole too.
  e->mode = 0;
  if (r.Left() == 4) r.U32(&e->mode);
  return r.Left() == 0;
}

struct Header {
  uint64_t nonce = 0;
  uint32_t entries = 0;
  uint64_t entryBytes = 0;
  uint64_t windowBytes = 0;
  uint64_t length = 0;
};

std::string EncodeHeader(const Header& h) {
  ByteWriter w;
  w.Bytes(kMagic, 4);
  w.U64(h.nonce);
  w.U32(h.entries);
  w.U64(h.entryBytes);
  w.U64(h.windowBytes);
  w.U64(h.length);
  return Record(kHeader, w.Out());
}

bool DecodeHeader(const std::string& data, uint64_t at, Header* h) {
  std::string payload, magic;
  uint64_t used = 0;
  if (at >= data.size() ||
      !ReadRecord(data.data() + at, data.size() - at, kHeader, &payload, &used))
    return false;
  ByteReader r(payload);
  return r.Bytes(&magic, 4) && magic == kMagic && r.U64(&h->nonce) && r.U32(&h->entries) &&
         r.U64(&h->entryBytes) && r.U64(&h->windowBytes) && r.U64(&h->length) && r.Left() == 0;
}

// The bytes of window `w`'s record.
uint64_t WindowRecordBytes(const std::vector<WindowPiece>& w) {
  uint64_t n = kRecordOverhead + 4;
  for (const WindowPiece& p : w) n += kPieceOverhead + PageCount(p.len) * 8;
  return n;
}

// The bytes of the record of every page's hash before the change of a file of `size` bytes.
uint64_t BeforeRecordBytes(uint64_t size) {
  return kRecordOverhead + 4 + PageCount(size) * 8;
}

// Where the slots lie, from the size of the entries, the files' sizes and the plan; the
// journal's whole length.
struct Slots {
  std::vector<uint64_t> windowAt;
  uint64_t turnBackAt = 0;
  std::vector<uint64_t> beforeAt;
};
uint64_t Layout(uint64_t entryBytes, const WindowPlan& plan, const std::vector<uint64_t>& sizes,
                Slots* slots) {
  uint64_t at = kEntriesAt + 2 * entryBytes;
  slots->windowAt.clear();
  for (const auto& w : plan) {
    slots->windowAt.push_back(at);
    at += 2 * WindowRecordBytes(w);
  }
  slots->turnBackAt = at;
  at += sizes.size() * 2 * kTurnBackRecord;
  slots->beforeAt.clear();
  for (uint64_t size : sizes) {
    slots->beforeAt.push_back(at);
    at += 2 * BeforeRecordBytes(size);
  }
  return at + 8;
}

// The entries, from one copy of their region.
bool DecodeEntries(const char* data, uint64_t size, uint32_t count,
                   std::vector<JournalEntry>* out) {
  out->clear();
  uint64_t at = 0;
  while (at < size) {
    std::string payload;
    uint64_t used = 0;
    JournalEntry e;
    if (!ReadRecord(data + at, size - at, kEntry, &payload, &used) ||
        !DecodeEntry(ByteReader(payload), &e) || e.index != out->size())
      return false;
    out->push_back(std::move(e));
    at += used;
  }
  return out->size() == count;
}

// Window `k`'s record from one copy: the hashes it gives the files, when it matches the plan.
bool DecodeWindow(const std::string& payload, const std::vector<WindowPiece>& plan,
                  std::map<uint32_t, JournalFile>& files, bool apply) {
  ByteReader r(payload);
  uint32_t count = 0;
  if (!r.U32(&count) || count != plan.size()) return false;
  for (const WindowPiece& p : plan) {
    uint32_t entry = 0, pages = 0;
    uint64_t first = 0;
    uint8_t read = 0;
    if (!r.U32(&entry) || entry != p.file || !r.U64(&first) || first != p.offset / kPageBytes ||
        !r.U32(&pages) || pages != PageCount(p.len) || !r.U8(&read) || read > 1 ||
        r.Left() < uint64_t(pages) * 8)
      return false;
    JournalFile& f = files[entry];
    for (uint32_t i = 0; i < pages; ++i) {
      uint64_t h = 0;
      r.U64(&h);
      if (apply && read) {
        f.hashes[first + i] = h;
        f.known[first + i] = true;
      }
    }
  }
  return r.Left() == 0;
}

}  // namespace

WindowPlan PlanWindows(const std::vector<uint64_t>& sizes, size_t windowBytes) {
  const size_t window = std::max(kPageBytes, windowBytes / kPageBytes * kPageBytes);
  WindowPlan plan;
  std::vector<WindowPiece> w;
  size_t used = 0;
  for (size_t f = 0; f < sizes.size(); ++f) {
    for (uint64_t offset = 0; offset < sizes[f];) {
      if (used == window) {
        plan.push_back(std::move(w));
        w.clear();
        used = 0;
      }
      const size_t len = size_t(std::min<uint64_t>(window - used, sizes[f] - offset));
      w.push_back({uint32_t(f), offset, len, used});
      used += size_t(PageCount(len) * kPageBytes);
      offset += len;
    }
  }
  if (!w.empty()) plan.push_back(std::move(w));
  return plan;
}

JournalWriter::~JournalWriter() = default;

Step JournalWriter::Create(const std::string& folder) {
  folder_ = folder;
  std::string name = NewJournalTemplate(folder);
  file_ = plat::OpenFile(plat::Files().CreateUnique(&name));
  const int fd = file_.Fd();
  if (fd < 0) return Step::Fail(Why(FaultCode::JournalMake, folder, fd));
  path_ = name;
  // Held while the change runs: a journal that another program has locked is in use, however
  // its files look.
  (void)file_.TryLock();
  if (getrandom(&nonce_, sizeof nonce_, 0) != ssize_t(sizeof nonce_)) {
    // Without the system's randomness the moment and the process make a nonce good enough to
    // tell one journal from another.
    nonce_ = uint64_t(time(nullptr)) * 0x9E3779B97F4A7C15ull ^ uint64_t(getpid()) ^ uint64_t(fd);
  }
  return Step::Ok();
}

Step JournalWriter::WriteAt(const std::string& bytes, uint64_t offset) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t r =
        plat::Files().Pwrite(file_.Fd(), bytes.data() + done, bytes.size() - done, offset + done);
    if (r < 0) return Step::Fail(Why(FaultCode::JournalWrite, path_, int(r)));
    if (r == 0) return Step::Fail(Fault(FaultCode::JournalWroteNothing).Path(path_));
    done += size_t(r);
  }
  return Step::Ok();
}

Step JournalWriter::Begin(const std::vector<JournalEntry>& entries, size_t windowBytes) {
  std::string records;
  std::vector<uint64_t> sizes;
  for (const JournalEntry& e : entries) {
    records += Record(kEntry, EncodeEntry(e));
    sizes.push_back(e.size);
  }
  plan_ = PlanWindows(sizes, windowBytes);
  Header h;
  h.nonce = nonce_;
  h.entries = uint32_t(entries.size());
  h.entryBytes = records.size();
  h.windowBytes = windowBytes;
  Slots slots;
  h.length = Layout(records.size(), plan_, sizes, &slots);
  windowAt_ = slots.windowAt;
  turnBackAt_ = slots.turnBackAt;
  const std::string header = EncodeHeader(h);
  std::string head = header;
  head.resize(kHeaderB, '\0');
  head += header;
  head.resize(kEntriesAt, '\0');
  head += records;
  head += records;
  Step w = WriteAt(head, 0);
  // The end gives the journal its full length; the slots between are holes until written.
  if (w) w = WriteAt(std::string(kEnd, 8), h.length - 8);
  return w;
}

Step JournalWriter::WriteWindow(size_t k, const std::vector<PieceHashes>& pieces) {
  const std::vector<WindowPiece>& plan = plan_[k];
  ByteWriter w;
  w.U32(uint32_t(plan.size()));
  for (size_t i = 0; i < plan.size(); ++i) {
    const uint64_t pages = PageCount(plan[i].len);
    w.U32(plan[i].file);
    w.U64(plan[i].offset / kPageBytes);
    w.U32(uint32_t(pages));
    w.U8(pieces[i].hashes ? 1 : 0);
    for (uint64_t p = 0; p < pages; ++p) w.U64(pieces[i].hashes ? pieces[i].hashes[p] : 0);
  }
  const std::string record = Record(kWindow, w.Out());
  return WriteAt(record + record, windowAt_[k]);
}

Step JournalWriter::WriteTurnBack(uint32_t entry) {
  ByteWriter w;
  w.U32(entry);
  const std::string record = Record(kTurnBack, w.Out());
  return WriteAt(record + record, turnBackAt_ + uint64_t(entry) * 2 * kTurnBackRecord);
}

Step JournalWriter::Flush() {
  int r = plat::Files().Fdatasync(file_.Fd());
  if (r < 0) return Step::Fail(Why(FaultCode::JournalFlush, path_, r));
  if (folderFlushed_) return Step::Ok();
  plat::OpenFile dir =
      plat::OpenFile::Open(folder_.empty() ? "." : folder_, O_RDONLY | O_DIRECTORY);
  if (!dir.IsOpen()) return Step::Fail(Why(FaultCode::JournalFolderOpen, folder_, dir.Fd()));
  r = plat::Files().Fsync(dir.Fd());
  dir.Close();
  if (r < 0) return Step::Fail(Why(FaultCode::JournalFolderFlush, folder_, r));
  folderFlushed_ = true;
  return Step::Ok();
}

Step JournalWriter::Remove() {
  file_.Close();
  int r = plat::Files().Unlink(path_);
  if (r < 0 && r != -ENOENT) return Step::Fail(Why(FaultCode::JournalRemove, path_, r));
  return Step::Ok();
}

Fault JournalDistrust(const struct stat& st, uid_t fileOwner) {
  const uid_t me = geteuid();
  if (!S_ISREG(st.st_mode)) return Fault(FaultCode::ItIsNotRegular);
  if (st.st_uid != fileOwner && st.st_uid != 0)
    return Fault(FaultCode::OwnerNotFiles).Numbers(st.st_uid);
  if (st.st_uid != me && !(me == 0 && st.st_uid == fileOwner))
    return Fault(FaultCode::OwnerNotUsers).Numbers(st.st_uid);
  if (st.st_mode & (S_IWGRP | S_IWOTH)) return Fault(FaultCode::OthersMayWrite);
  return {};
}

Step ReadJournal(const std::string& path, uid_t fileOwner, JournalContents* out,
                 JournalTrouble* trouble) {
  *out = JournalContents();
  JournalTrouble ignored;
  JournalTrouble& t = trouble ? *trouble : ignored;
  t = JournalTrouble::None;
  // Never a link, and never waiting on a FIFO or a device put in its place.
  plat::OpenFile journal =
      plat::OpenFile::Open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  const int fd = journal.Fd();
  if (fd < 0) {
    t = fd == -ENOENT  ? JournalTrouble::Missing
        : fd == -ELOOP ? JournalTrouble::Untrusted
                       : JournalTrouble::Unreadable;
    if (fd == -ELOOP) return Step::Fail(Fault(FaultCode::JournalIsLink).Path(path));
    return Step::Fail(Why(FaultCode::JournalOpen, path, fd));
  }
  struct stat st {};
  int r = plat::Files().Fstat(fd, &st);
  Fault distrust = r < 0 ? Fault() : JournalDistrust(st, fileOwner);
  std::string data;
  if (r == 0 && distrust.empty() && uint64_t(st.st_size) <= kLargestJournal) {
    data.resize(size_t(st.st_size));
    size_t got = 0;
    while (got < data.size()) {
      ssize_t n = plat::Files().Pread(fd, &data[got], data.size() - got, got);
      if (n <= 0) break;
      got += size_t(n);
    }
    data.resize(got);
  }
  journal.Close();
  if (r < 0) {
    t = JournalTrouble::Unreadable;
    return Step::Fail(Why(FaultCode::JournalRead, path, r));
  }
  if (!distrust.empty()) {
    t = JournalTrouble::Untrusted;
    return Step::Fail(Fault(FaultCode::JournalNotTrusted).Path(path).Because(distrust));
  }
  return ParseJournal(path, data, out, &t);
}

Step ParseJournal(const std::string& path, const std::string& data, JournalContents* out,
                  JournalTrouble* trouble) {
  *out = JournalContents();
  JournalTrouble& t = *trouble;
  t = JournalTrouble::None;
  Header h;
  if (!DecodeHeader(data, 0, &h) && !DecodeHeader(data, kHeaderB, &h)) {
    t = JournalTrouble::NoHeader;
    return Step::Fail(Fault(FaultCode::JournalNoHeader).Path(path));
  }
  out->nonce = h.nonce;
  auto damaged = [&](FaultCode why) {
    t = JournalTrouble::Damaged;
    return Step::Fail(Fault(FaultCode::JournalDamaged).Path(path).Because(Fault(why)));
  };
  if (data.size() != h.length)
    return damaged(data.size() < h.length ? FaultCode::CutShort : FaultCode::LongerThanMade);
  if (h.entryBytes > h.length || kEntriesAt + 2 * h.entryBytes > h.length)
    return damaged(FaultCode::EntriesDontFit);
  std::vector<JournalEntry> entries;
  if (!DecodeEntries(data.data() + kEntriesAt, h.entryBytes, h.entries, &entries) &&
      !DecodeEntries(data.data() + kEntriesAt + h.entryBytes, h.entryBytes, h.entries, &entries))
    return damaged(FaultCode::EntriesDamaged);
  std::vector<uint64_t> sizes;
  for (const JournalEntry& e : entries) sizes.push_back(e.size);
  const WindowPlan plan = PlanWindows(sizes, size_t(h.windowBytes));
  Slots slots;
  if (Layout(h.entryBytes, plan, sizes, &slots) != h.length)
    return damaged(FaultCode::LengthNotEntries);
  const std::vector<uint64_t>& windowAt = slots.windowAt;
  const uint64_t turnBackAt = slots.turnBackAt;
  for (JournalEntry& e : entries) {
    JournalFile& f = out->files[e.index];
    const uint64_t pages = PageCount(e.size);
    f.hashes.assign(size_t(pages), 0);
    f.known.assign(size_t(pages), false);
    f.beforeAt = slots.beforeAt[e.index];
    f.entry = std::move(e);
  }
  // Each slot: the first copy that is whole. One with neither was never flushed.
  auto slot = [&](uint64_t at, uint64_t bytes, uint8_t type, std::string* payload) {
    for (uint64_t copy = 0; copy < 2; ++copy) {
      uint64_t used = 0;
      if (ReadRecord(data.data() + at + copy * bytes, bytes, type, payload, &used) && used == bytes)
        return true;
    }
    return false;
  };
  for (size_t k = 0; k < plan.size(); ++k) {
    std::string payload;
    const uint64_t bytes = WindowRecordBytes(plan[k]);
    if (slot(windowAt[k], bytes, kWindow, &payload) &&
        DecodeWindow(payload, plan[k], out->files, false))
      DecodeWindow(payload, plan[k], out->files, true);
  }
  for (auto& [index, f] : out->files) {
    std::string payload;
    uint32_t entry = 0;
    // Every page's hash, kept by a recovery before it wrote the file: they stand for all.
    if (slot(f.beforeAt, BeforeRecordBytes(f.entry.size), kBefore, &payload)) {
      ByteReader r(payload);
      if (r.U32(&entry) && entry == index && r.Left() == f.hashes.size() * 8) {
        for (size_t p = 0; p < f.hashes.size(); ++p) r.U64(&f.hashes[p]);
        f.known.assign(f.hashes.size(), true);
      }
    }
    if (slot(turnBackAt + uint64_t(index) * 2 * kTurnBackRecord, kTurnBackRecord, kTurnBack,
             &payload) &&
        ByteReader(payload).U32(&entry) && entry == index)
      f.turnBack = true;
  }
  return Step::Ok();
}

Step KeepHashesBefore(const std::string& path, uid_t fileOwner, JournalFile* file) {
  plat::OpenFile journal =
      plat::OpenFile::Open(path, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  const int fd = journal.Fd();
  if (fd < 0) return Step::Fail(Why(FaultCode::JournalOpen, path, fd));
  struct stat st {};
  int r = plat::Files().Fstat(fd, &st);
  Fault distrust = r < 0 ? Fault(FaultCode::CallFailed).Err(r) : JournalDistrust(st, fileOwner);
  if (distrust.empty() &&
      uint64_t(st.st_size) < file->beforeAt + 2 * BeforeRecordBytes(file->entry.size))
    distrust = Fault(FaultCode::CutShort);
  if (!distrust.empty())
    return Step::Fail(Fault(FaultCode::JournalUnusable).Path(path).Because(distrust));
  ByteWriter w;
  w.U32(file->entry.index);
  for (uint64_t h : file->hashes) w.U64(h);
  const std::string record = Record(kBefore, w.Out());
  const std::string both = record + record;
  size_t done = 0;
  while (done < both.size() && r >= 0) {
    ssize_t n =
        plat::Files().Pwrite(fd, both.data() + done, both.size() - done, file->beforeAt + done);
    r = n > 0 ? 0 : n == 0 ? -EIO : int(n);
    done += n > 0 ? size_t(n) : 0;
  }
  if (r >= 0) r = plat::Files().Fdatasync(fd);
  journal.Close();
  if (r < 0) return Step::Fail(Why(FaultCode::JournalWrite, path, r));
  file->known.assign(file->hashes.size(), true);
  return Step::Ok();
}
