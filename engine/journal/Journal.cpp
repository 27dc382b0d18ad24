#include "engine/journal/Journal.h"

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

#include "engine/journal/ByteCoding.h"
#include "engine/journal/JournalPolicy.h"
#include "engine/journal/PageHash.h"
#include "platform/FileCalls.h"
#include "platform/Paths.h"

namespace {

enum RecordType : uint8_t {
  kHeader = 1,
  kEntry = 2,
  kWindow = 3,
  kTurnBack = 4,
  kBefore = 5,
  kVacant = 6,  // a slot not written yet, said so when the journal is made
};
// Journals of this build; "MVJ2" journals, written by earlier builds, are still read.
constexpr char kMagic[] = "MVJ3";
constexpr char kEnd[] = "MVJ3-END";
constexpr char kOldMagic[] = "MVJ2";
constexpr char kOldEnd[] = "MVJ2-END";
// A record's type, length and hash around its payload.
constexpr uint64_t kRecordOverhead = 1 + 4 + 8;
// A window record's piece: entry, first page, page count, whether its hashes were read.
constexpr uint64_t kPieceOverhead = 4 + 8 + 4 + 1;
constexpr uint64_t kTurnBackRecord = kRecordOverhead + 4;
// A vacant slot's record: the slot's number (a window's, or a file's entry). No longer than the
// shortest slot (a turn-back, or the hashes before of an empty file).
constexpr uint64_t kVacantRecord = kRecordOverhead + 4;
// The two copies of every record lie at least this far apart, in blocks of their own, so that
// no one damaged block or run of blocks short of it holds both.
constexpr uint64_t kBlockBytes = 4096;
constexpr uint64_t kLeastMirror = 64 * 1024;
// A journal longer than this is no journal of ours (a 64 GiB file needs some 520 MiB).
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

std::string VacantRecord(uint32_t slot) {
  ByteWriter w;
  w.U32(slot);
  return Record(kVacant, w.Out());
}

// The record of `type` at `at` in `data`, at most `size` bytes long: its payload, and its whole
// length in `*used`. False when it lies past the end, is cut short, of another type or does not
// match its hash.
bool ReadRecord(const std::string& data, uint64_t at, uint64_t size, uint8_t type,
                std::string* payload, uint64_t* used) {
  if (at >= data.size()) return false;
  ByteReader r(data.data() + at, size_t(std::min<uint64_t>(size, data.size() - at)));
  uint8_t t = 0;
  uint32_t len = 0;
  if (!r.U8(&t) || t != type || !r.U32(&len) || r.Left() < uint64_t(len) + 8) return false;
  const char* body = r.Here();
  r.Skip(len);
  uint64_t hash = 0;
  r.U64(&hash);
  if (hash != HashBytes(data.data() + at, 5 + size_t(len))) return false;
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
  w.U8(uint8_t((e.sealed ? 2 : 0) + (e.direction == CipherDirection::Code ? 0 : 1)));
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
    w.U8(c.afterIsComputed ? 1 : 0);
    PutValue(w, c.before);
    PutValue(w, c.after);
  }
  w.U32(e.mode);
  if (e.sealed) {
    w.U16(uint16_t(e.sealRecord.size()));
    w.Bytes(e.sealRecord);
  }
  return w.Out();
}

bool DecodeEntry(ByteReader r, JournalEntry* e) {
  uint8_t dir = 0;
  uint32_t pathLen = 0;
  uint16_t count = 0;
  std::string key;
  if (!r.U32(&e->index) || !r.U8(&dir) || dir > 3 || !r.U64(&e->device) || !r.U64(&e->inode) ||
      !r.U64(&e->size) || !r.Bytes(&key, 6) || !r.U32(&pathLen) || !r.Bytes(&e->path, pathLen) ||
      !r.U16(&count))
    return false;
  e->direction = (dir & 1) == 0 ? CipherDirection::Code : CipherDirection::Decode;
  e->sealed = dir >= 2;
  std::memcpy(e->key, key.data(), 6);
  e->plan.resize(count);
  for (AttrChange& c : e->plan) {
    uint8_t nameLen = 0, integrity = 0;
    if (!r.U8(&nameLen) || !r.Bytes(&c.name, nameLen) || !r.U8(&integrity) || integrity > 1 ||
        !GetValue(r, &c.before) || !GetValue(r, &c.after))
      return false;
    c.afterIsComputed = integrity == 1;
  }
  // The mode came last, later: an entry without it is whole too. A sealed entry always has it,
  // and its seal's record after it.
  e->mode = 0;
  if (r.Left() >= 4) r.U32(&e->mode);
  uint16_t recordLen = 0;
  if (e->sealed && (!r.U16(&recordLen) || !r.Bytes(&e->sealRecord, recordLen))) return false;
  return r.Left() == 0;
}

struct Header {
  bool old = false;  // an "MVJ2" journal
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
  if (!ReadRecord(data, at, data.size(), kHeader, &payload, &used)) return false;
  ByteReader r(payload);
  if (!r.Bytes(&magic, 4) || (magic != kMagic && magic != kOldMagic)) return false;
  h->old = magic == kOldMagic;
  return r.U64(&h->nonce) && r.U32(&h->entries) && r.U64(&h->entryBytes) &&
         r.U64(&h->windowBytes) && r.U64(&h->length) && r.Left() == 0;
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

uint64_t RoundUp(uint64_t n, uint64_t to) {
  return (n + to - 1) / to * to;
}

// Where everything of a journal lies, from the size of its entries, its files' sizes and the
// pass's plan. A journal is two copies of one run of records (header, entries, a slot for each
// window, each file's turn-back and each file's hashes before), the second `mirror` bytes after
// the first, and its last 8 bytes. (An "MVJ2" journal kept the two copies of each record side by
// side, in one run after its two headers.)
struct Layout {
  bool old = false;
  uint64_t entriesAt = 0;
  uint64_t mirror = 0;
  std::vector<uint64_t> windowAt;
  uint64_t turnBackAt = 0;
  std::vector<uint64_t> beforeAt;
  uint64_t length = 0;

  // Where the second copy of the record of `bytes` bytes at `at` lies.
  uint64_t Second(uint64_t at, uint64_t bytes) const { return old ? at + bytes : at + mirror; }
  uint64_t HeaderCopy() const { return old ? 512 : mirror; }
};

Layout MakeLayout(bool old, uint64_t entryBytes, const WindowPlan& plan,
                  const std::vector<uint64_t>& sizes) {
  Layout l;
  l.old = old;
  // Each copy of a record takes `copies` times its bytes in the run.
  const uint64_t copies = old ? 2 : 1;
  l.entriesAt = old ? 1024 : 512;
  uint64_t at = l.entriesAt + copies * entryBytes;
  for (const auto& w : plan) {
    l.windowAt.push_back(at);
    at += copies * WindowRecordBytes(w);
  }
  l.turnBackAt = at;
  at += sizes.size() * copies * kTurnBackRecord;
  for (uint64_t size : sizes) {
    l.beforeAt.push_back(at);
    at += copies * BeforeRecordBytes(size);
  }
  if (old) {
    l.length = at + 8;
  } else {
    l.mirror = std::max(kLeastMirror, RoundUp(at + 8, kBlockBytes));
    l.length = 2 * l.mirror;
  }
  return l;
}

uint64_t TurnBackSlot(const Layout& l, uint32_t entry) {
  return l.turnBackAt + uint64_t(entry) * (l.old ? 2 : 1) * kTurnBackRecord;
}

// The entries, from one copy of their region.
bool DecodeEntries(const std::string& data, uint64_t from, uint64_t size, uint32_t count,
                   std::vector<JournalEntry>* out) {
  out->clear();
  uint64_t at = 0;
  while (at < size) {
    std::string payload;
    uint64_t used = 0;
    JournalEntry e;
    if (!ReadRecord(data, from + at, size - at, kEntry, &payload, &used) ||
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

// What a slot holds: its record, whole in one copy at least; a vacant record, said so when the
// journal was made and not yet written over (in either copy: the second is written only once the
// first is on disk); or neither, which no crash leaves.
enum class SlotHolds { Record, Vacant, Neither };

SlotHolds ReadSlot(const std::string& data, const Layout& l, uint64_t at, uint64_t bytes,
                   uint8_t type, uint32_t slot, std::string* payload) {
  uint64_t used = 0;
  for (uint64_t copy : {at, l.Second(at, bytes)})
    if (ReadRecord(data, copy, bytes, type, payload, &used) && used == bytes)
      return SlotHolds::Record;
  // An "MVJ2" journal left a slot a hole until its record was written.
  if (l.old) return SlotHolds::Vacant;
  std::string vacant;
  uint32_t number = 0;
  for (uint64_t copy : {at, l.Second(at, bytes)})
    if (ReadRecord(data, copy, kVacantRecord, kVacant, &vacant, &used) &&
        ByteReader(vacant).U32(&number) && number == slot)
      return SlotHolds::Vacant;
  return SlotHolds::Neither;
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
  // Made under a name that says it was never flushed, so that a journal cut before its first
  // flush is told from one that a marker may name (Flush).
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
    if (r == 0) return Step::Fail(Why(FaultCode::JournalWrite, path_, EIO));
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
  const Layout l = MakeLayout(false, records.size(), plan_, sizes);
  windowAt_ = l.windowAt;
  turnBackAt_ = l.turnBackAt;
  mirror_ = l.mirror;
  Header h;
  h.nonce = nonce_;
  h.entries = uint32_t(entries.size());
  h.entryBytes = records.size();
  h.windowBytes = windowBytes;
  h.length = l.length;
  // The first copy: header, entries and every slot said to be vacant, in runs that skip only
  // long stretches of nothing (a large file's hash slots), so that few writes make it. The second
  // is the same bytes `mirror` further on.
  std::vector<std::pair<uint64_t, std::string>> parts{{0, EncodeHeader(h)}, {l.entriesAt, records}};
  for (size_t k = 0; k < l.windowAt.size(); ++k)
    parts.push_back({l.windowAt[k], VacantRecord(uint32_t(k))});
  for (uint32_t e = 0; e < entries.size(); ++e)
    parts.push_back({TurnBackSlot(l, e), VacantRecord(e)});
  for (uint32_t e = 0; e < entries.size(); ++e) parts.push_back({l.beforeAt[e], VacantRecord(e)});
  std::vector<std::pair<uint64_t, std::string>> runs;
  for (auto& [at, bytes] : parts) {
    if (!runs.empty() && at - (runs.back().first + runs.back().second.size()) < kBlockBytes) {
      runs.back().second.resize(size_t(at - runs.back().first), '\0');
      runs.back().second += bytes;
    } else {
      runs.push_back({at, std::move(bytes)});
    }
  }
  Step w = Step::Ok();
  for (uint64_t copy : {uint64_t(0), l.mirror})
    for (const auto& [at, bytes] : runs)
      if (w) w = WriteAt(bytes, copy + at);
  // The end gives the journal its full length; what lies between is a hole.
  if (w) w = WriteAt(std::string(kEnd, 8), h.length - 8);
  return w;
}

Step JournalWriter::WriteRecord(const std::string& record, uint64_t at) {
  Step w = WriteAt(record, at);
  if (!w) return w;
  // The second copy waits until the first is on disk (Flush): then no one crash can leave both
  // copies of a slot spoilt, and a slot neither written nor vacant is damage.
  std::lock_guard<std::mutex> lock(secondsMutex_);
  seconds_.push_back({at + mirror_, record});
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
  return WriteRecord(Record(kWindow, w.Out()), windowAt_[k]);
}

Step JournalWriter::WriteTurnBack(uint32_t entry) {
  ByteWriter w;
  w.U32(entry);
  return WriteRecord(Record(kTurnBack, w.Out()), turnBackAt_ + uint64_t(entry) * kTurnBackRecord);
}

Step JournalWriter::Flush() {
  std::vector<std::pair<uint64_t, std::string>> seconds;
  {
    std::lock_guard<std::mutex> lock(secondsMutex_);
    seconds.swap(seconds_);
  }
  int r = plat::Files().Fdatasync(file_.Fd());
  if (r < 0) return Step::Fail(Why(FaultCode::JournalFlush, path_, r));
  if (!seconds.empty()) {
    for (const auto& [at, record] : seconds)
      if (Step w = WriteAt(record, at); !w) return w;
    r = plat::Files().Fdatasync(file_.Fd());
    if (r < 0) return Step::Fail(Why(FaultCode::JournalFlush, path_, r));
  }
  if (folderFlushed_) return Step::Ok();
  // Whole on disk: only now does it take a journal's name, the name a marker may give. A journal
  // still under its first name was never flushed, and no marker names it.
  const std::string flushed = FlushedJournalName(path_);
  r = plat::Files().RenameNoReplace(path_, flushed);
  if (r < 0) return Step::Fail(Why(FaultCode::JournalMake, folder_, r));
  path_ = flushed;
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
  if (!S_ISREG(st.st_mode)) return Fault(FaultCode::NotRegular);
  // A journal is used only by the user who wrote it: whatever it says is then no more than that
  // user could do to the file. Root leaves a change of the file's owner to that owner.
  if (st.st_uid != me) {
    return Fault(me == 0 && st.st_uid == fileOwner ? FaultCode::LeftToItsOwner
                                                   : FaultCode::OwnerNotUsers)
        .Numbers(st.st_uid);
  }
  if (st.st_mode & (S_IWGRP | S_IWOTH)) return Fault(FaultCode::OthersMayWrite);
  return {};
}

Step ReadJournal(const std::string& path, uid_t fileOwner, JournalContents* out,
                 JournalTrouble* trouble) {
  *out = JournalContents();
  JournalTrouble ignored;
  JournalTrouble& t = trouble ? *trouble : ignored;
  t = JournalTrouble::None;
  // Never a link, and nothing but a regular file opened: a FIFO or a device put in its place is
  // neither waited on nor opened.
  struct stat st {};
  plat::OpenFile journal = plat::OpenFile::OpenRegular(path, O_RDONLY, &st);
  const int fd = journal.Fd();
  Fault distrust = fd == -ELOOP    ? Fault(FaultCode::JournalIsLink)
                   : fd == -EINVAL ? Fault(FaultCode::NotRegular)
                   : fd >= 0       ? JournalDistrust(st, fileOwner)
                                   : Fault();
  if (fd < 0 && distrust.empty()) {
    t = fd == -ENOENT ? JournalTrouble::Missing : JournalTrouble::Unreadable;
    return Step::Fail(Why(FaultCode::JournalOpen, path, fd));
  }
  if (!distrust.empty()) {
    t = JournalTrouble::Untrusted;
    return Step::Fail(Fault(FaultCode::JournalNotTrusted).Path(path).Because(distrust));
  }
  std::string data;
  if (uint64_t(st.st_size) <= kLargestJournal) {
    data.resize(size_t(st.st_size));
    size_t got = 0;
    while (got < data.size()) {
      ssize_t n = plat::Files().Pread(fd, &data[got], data.size() - got, got);
      if (n <= 0) break;
      got += size_t(n);
    }
    data.resize(got);
  }
  return ParseJournal(path, data, out, &t);
}

Step ParseJournal(const std::string& path, const std::string& data, JournalContents* out,
                  JournalTrouble* trouble) {
  *out = JournalContents();
  JournalTrouble& t = *trouble;
  t = JournalTrouble::None;
  // The header's copies: at the start, and at the middle (512 in an "MVJ2" journal).
  Header h;
  if (!DecodeHeader(data, 0, &h) && !DecodeHeader(data, data.size() / 2, &h) &&
      !(DecodeHeader(data, 512, &h) && h.old)) {
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
  if (h.entryBytes > h.length || 1024 + 2 * h.entryBytes > h.length)
    return damaged(FaultCode::EntriesDontFit);
  if (data.compare(data.size() - 8, 8, h.old ? kOldEnd : kEnd) != 0)
    return damaged(FaultCode::CutShort);
  // Where the entries lie does not depend on them.
  const Layout at = MakeLayout(h.old, h.entryBytes, {}, {});
  std::vector<JournalEntry> entries;
  if (!DecodeEntries(data, at.entriesAt, h.entryBytes, h.entries, &entries) &&
      !DecodeEntries(data, at.Second(at.entriesAt, h.entryBytes), h.entryBytes, h.entries,
                     &entries))
    return damaged(FaultCode::EntriesDamaged);
  std::vector<uint64_t> sizes;
  for (const JournalEntry& e : entries) sizes.push_back(e.size);
  const WindowPlan plan = PlanWindows(sizes, size_t(h.windowBytes));
  const Layout l = MakeLayout(h.old, h.entryBytes, plan, sizes);
  if (l.length != h.length) return damaged(FaultCode::LengthNotEntries);
  for (JournalEntry& e : entries) {
    JournalFile& f = out->files[e.index];
    const uint64_t pages = PageCount(e.size);
    f.hashes.assign(size_t(pages), 0);
    f.known.assign(size_t(pages), false);
    f.beforeAt = l.beforeAt[e.index];
    f.beforeCopyAt = l.Second(f.beforeAt, BeforeRecordBytes(e.size));
    f.entry = std::move(e);
  }
  // Every slot holds its record or says it is vacant; one that does neither was damaged, and
  // what it held (the proof that a window was, or was not, written) is not known.
  for (size_t k = 0; k < plan.size(); ++k) {
    std::string payload;
    const SlotHolds held = ReadSlot(data, l, l.windowAt[k], WindowRecordBytes(plan[k]), kWindow,
                                    uint32_t(k), &payload);
    if (held == SlotHolds::Neither) return damaged(FaultCode::SlotDamaged);
    if (held != SlotHolds::Record) continue;
    if (!DecodeWindow(payload, plan[k], out->files, false)) {
      if (!h.old) return damaged(FaultCode::SlotDamaged);
      continue;
    }
    DecodeWindow(payload, plan[k], out->files, true);
  }
  for (auto& [index, f] : out->files) {
    std::string payload;
    uint32_t entry = 0;
    // Every page's hash, kept by a recovery before it wrote the file: they stand for all.
    SlotHolds held =
        ReadSlot(data, l, f.beforeAt, BeforeRecordBytes(f.entry.size), kBefore, index, &payload);
    if (held == SlotHolds::Neither) return damaged(FaultCode::SlotDamaged);
    if (held == SlotHolds::Record) {
      ByteReader r(payload);
      if (!r.U32(&entry) || entry != index || r.Left() != f.hashes.size() * 8) {
        if (!h.old) return damaged(FaultCode::SlotDamaged);
      } else {
        for (size_t p = 0; p < f.hashes.size(); ++p) r.U64(&f.hashes[p]);
        f.known.assign(f.hashes.size(), true);
      }
    }
    held = ReadSlot(data, l, TurnBackSlot(l, index), kTurnBackRecord, kTurnBack, index, &payload);
    if (held == SlotHolds::Neither) return damaged(FaultCode::SlotDamaged);
    if (held == SlotHolds::Record) {
      if (ByteReader(payload).U32(&entry) && entry == index)
        f.turnBack = true;
      else if (!h.old)
        return damaged(FaultCode::SlotDamaged);
    }
  }
  return Step::Ok();
}

Step KeepHashesBefore(const std::string& path, uid_t fileOwner, JournalFile* file) {
  struct stat st {};
  plat::OpenFile journal = plat::OpenFile::OpenRegular(path, O_WRONLY, &st);
  const int fd = journal.Fd();
  if (fd < 0) return Step::Fail(Why(FaultCode::JournalOpen, path, fd));
  Fault distrust = JournalDistrust(st, fileOwner);
  const uint64_t bytes = BeforeRecordBytes(file->entry.size);
  if (distrust.empty() &&
      uint64_t(st.st_size) < std::max(file->beforeAt, file->beforeCopyAt) + bytes)
    distrust = Fault(FaultCode::CutShort);
  if (!distrust.empty())
    return Step::Fail(Fault(FaultCode::JournalUnusable).Path(path).Because(distrust));
  ByteWriter w;
  w.U32(file->entry.index);
  for (uint64_t h : file->hashes) w.U64(h);
  const std::string record = Record(kBefore, w.Out());
  // Each copy on disk before the next is written, as the pass writes its records.
  int r = 0;
  for (uint64_t at : {file->beforeAt, file->beforeCopyAt}) {
    for (size_t done = 0; done < record.size() && r >= 0;) {
      ssize_t n = plat::Files().Pwrite(fd, record.data() + done, record.size() - done, at + done);
      r = n > 0 ? 0 : n == 0 ? -EIO : int(n);
      done += n > 0 ? size_t(n) : 0;
    }
    if (r >= 0) r = plat::Files().Fdatasync(fd);
  }
  journal.Close();
  if (r < 0) return Step::Fail(Why(FaultCode::JournalWrite, path, r));
  file->known.assign(file->hashes.size(), true);
  return Step::Ok();
}
