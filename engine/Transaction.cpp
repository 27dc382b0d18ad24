#include "engine/Transaction.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "codec/CCO.h"
#include "codec/TimeCode.h"
#include "codec/WholeRecord.h"
#include "engine/AttrPlan.h"
#include "engine/journal/ChangeMarker.h"
#include "engine/journal/DeferredSignals.h"
#include "engine/journal/IntegrityAttr.h"
#include "engine/journal/Journal.h"
#include "engine/journal/JournalPolicy.h"
#include "engine/journal/Recovery.h"
#include "engine/journal/ResizedTurnBack.h"
#include "engine/journal/SealedContent.h"
#include "engine/journal/Settle.h"
#include "platform/AttrBackend.h"
#include "platform/Clock.h"
#include "platform/FileCalls.h"
#include "platform/OpenFile.h"
#include "platform/Paths.h"

namespace {

// Up to this many files are flushed one by one; more, with one flush of their file system.
constexpr size_t kFileByFileFlushes = 4;
// The largest attribute value Linux keeps.
constexpr size_t kLargestAttr = 64 * 1024;

// One file of the transaction, from its request to its result.
struct Item {
  const ChangeRequest* request = nullptr;
  WorkResult result;
  plat::OpenFile file;  // the file, open and locked while it is worked on
  struct stat st {};
  AttrSet attrs;
  CipherDirection direction = CipherDirection::Code;
  uint8_t key[6] = {};  // a coding's or decoding's time code
  ContentKey content;   // what turns the bytes: the time code's cipher, or a sealed file's stream
  // A sealing or unsealing: the content's length, and the seal's record (for a sealing, its
  // header and no MAC yet). The MAC is taken as the pass writes (sealing) or reads (unsealing).
  bool sealed = false;
  uint64_t contentBytes = 0;
  seal::Record sealRecord;
  std::unique_ptr<seal::ContentMac> mac;
  AttrPlan plan;
  std::optional<Integrity> expected;  // decoding: what the coded bytes were
  uint32_t entry = 0;
  bool marked = false;
  Fault failure;         // the change failed: why (then it is turned back)
  bool resized = false;  // another program made the file longer or shorter during the pass
  PassFile pass;

  int fd() const { return file.Fd(); }
};

// What turns the item's bytes.
ContentKey ContentKeyOf(const Item& it) {
  return it.sealed ? it.content : ContentKey::Coding(it.key);
}

void NotDone(Item& it, Fault why) {
  it.result.outcome = WorkOutcome::NotDone;
  it.result.reason = std::move(why);
}

// Reads the attributes a change may touch through the open file.
Step ReadAttrs(int fd, AttrSet* attrs) {
  attrs->clear();
  std::vector<std::string> names;
  int r = plat::Attrs().List(fd, &names);
  if (r < 0) return Step::Fail(Fault(FaultCode::ReadAttrs).Err(r));
  const std::vector<std::string>& wanted = ChangeAttrNames();
  std::vector<char> buf(kLargestAttr);
  for (const std::string& name : names) {
    if (std::find(wanted.begin(), wanted.end(), name) == wanted.end()) continue;
    ssize_t n = plat::Attrs().Get(fd, name, buf.data(), buf.size());
    if (n == -ENODATA) continue;
    if (n < 0) return Step::Fail(Fault(FaultCode::ReadAttr).Name(name).Err(int(n)));
    (*attrs)[name] = std::string(buf.data(), size_t(n));
  }
  return Step::Ok();
}

// The files of one transaction by device and inode, and the name each was first reached by.
using SeenFiles = std::map<std::pair<uint64_t, uint64_t>, std::string>;

// Opens and locks the file; false (with the result set) when it cannot be worked on.
bool OpenAndLock(Item& it, SeenFiles& seen) {
  const std::string& file = it.request->file;
  struct stat st {};
  int found = file.empty() ? -ENOENT : plat::Files().Stat(file, &st);
  if (found == -ENOENT) {
    it.result.outcome = WorkOutcome::CantOpen;
    return false;
  }
  if (found < 0) {
    NotDone(it, Fault(FaultCode::ReadStatus).Path(file).Err(found));
    return false;
  }
  // Anything but a regular file is refused before it is opened: a FIFO or a device may block
  // or act on being opened.
  if (!S_ISREG(st.st_mode)) {
    NotDone(it, Fault(FaultCode::NotRegular).Path(file));
    return false;
  }
  const int flags = O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
  Fault writeRefused;
  plat::OpenFile open = plat::OpenFile::Open(file, O_RDWR | flags);
  const int refused = open.Fd();
  if (refused == -EACCES || refused == -EPERM || refused == -EROFS || refused == -ETXTBSY) {
    // Opened for reading only, to read its record and tell the user why it cannot be changed.
    writeRefused = Fault(FaultCode::OpenForWriting).Path(file).Err(refused);
    open = plat::OpenFile::Open(file, O_RDONLY | flags);
  }
  if (!open.IsOpen()) {
    NotDone(it, Fault(FaultCode::Open).Path(file).Err(open.Fd()));
    return false;
  }
  it.file = std::move(open);
  const int fd = it.fd();
  if (plat::Files().Fstat(fd, &it.st) < 0 || !S_ISREG(it.st.st_mode) || it.st.st_dev != st.st_dev ||
      it.st.st_ino != st.st_ino) {
    NotDone(it, Fault(FaultCode::ReplacedWhileOpening).Path(file));
    return false;
  }
  // A file reached again by another of its names (a hard link) is worked on once.
  auto first = seen.emplace(std::make_pair(uint64_t(it.st.st_dev), uint64_t(it.st.st_ino)), file);
  if (!first.second) {
    NotDone(it, Fault(FaultCode::HardLinkOfOther).Path(first.first->second));
    return false;
  }
  // Another program that has the file locked is changing it: it is left to that program. A
  // file system without locks leaves the file to be worked on without one.
  if (it.file.LockedByAnother()) {
    it.result.outcome = WorkOutcome::Busy;
    return false;
  }
  it.failure = writeRefused;  // kept for the moment the change would begin
  return true;
}

// A change found interrupted on the file is settled before anything else happens to it.
bool SettleEarlierChange(Item& it, const TransactionOptions& options) {
  if (it.attrs.count(kChangeMarkerAttr) == 0) return true;
  if (!it.failure.empty()) {
    NotDone(it, Fault(FaultCode::InterruptedCannotSettle).Because(it.failure));
    return false;
  }
  it.result.recovery = SettleMarkedChange(it.fd(), it.request->file, options.sealPassword);
  if (!it.result.recovery || !it.result.recovery->settled) {
    NotDone(it, Fault(FaultCode::InterruptedNotSettled)
                    .Because(it.result.recovery ? it.result.recovery->why : Fault()));
    return false;
  }
  Step reread = ReadAttrs(it.fd(), &it.attrs);
  if (!reread) NotDone(it, reread.fault());
  return bool(reread);
}

// A sealing: a fresh data key and nonce for the file, wrapped with the call's key (derived once
// for every file of the call).
bool DecideSealing(Item& it, const TransactionOptions& options) {
  it.direction = CipherDirection::Code;
  it.result.direction = it.direction;
  it.result.sealed = true;
  if (!options.sealPassword) {
    it.result.outcome = WorkOutcome::NoPassword;
    return false;
  }
  seal::SealFault fault = seal::SealFault::None;
  const seal::PasswordKey* key = options.sealPassword->NewKey(&fault);
  if (!key) {
    NotDone(it, Fault(FaultCode::SealFailed).Seal(fault));
    return false;
  }
  it.contentBytes = uint64_t(it.st.st_size);
  seal::NewSeal made = seal::MakeSeal(*key, it.contentBytes);
  auto keys = std::make_shared<const seal::FileKeys>(std::move(made.keys));
  it.sealed = true;
  it.sealRecord = {made.header, {}};
  it.content = ContentKey::Sealing(keys);
  it.mac = std::make_unique<seal::ContentMac>(*keys, made.header);
  Step planned = PlanSealing(it.attrs, &it.plan);
  if (!planned) NotDone(it, planned.fault());
  return bool(planned);
}

// An unsealing: the password must open the seal, and the MAC must hold over the whole content,
// before a byte is written.
bool DecideUnsealing(Item& it, const TransactionOptions& options, const FoundSeal& found) {
  it.direction = CipherDirection::Decode;
  it.result.direction = it.direction;
  it.result.sealed = true;
  if (found.fault != seal::SealFault::None) {
    NotDone(it, Fault(FaultCode::SealFailed).Seal(found.fault));
    return false;
  }
  if (!options.sealPassword) {
    it.result.outcome = WorkOutcome::NoPassword;
    return false;
  }
  const seal::Header& header = found.record.header;
  SealPassword::Opened opened = options.sealPassword->Open(header);
  if (opened.fault == seal::SealFault::WrongPassword) {
    it.result.outcome = WorkOutcome::WrongPassword;
    return false;
  }
  if (opened.fault != seal::SealFault::None) {
    NotDone(it, Fault(FaultCode::SealFailed).Seal(opened.fault));
    return false;
  }
  seal::ContentMac check(*opened.keys, header);
  Step read = TakeContentMac(it.fd(), header.length, &check);
  if (!read) {
    NotDone(it, read.fault());
    return false;
  }
  if (seal::SealFault changed = check.Check(found.record.mac); changed != seal::SealFault::None) {
    NotDone(it, Fault(FaultCode::SealFailed).Seal(changed));
    return false;
  }
  it.sealed = true;
  it.contentBytes = header.length;
  it.sealRecord = found.record;
  it.content = ContentKey::Sealing(opened.keys);
  // Taken again as the pass reads: bytes changed since the check are found before the end.
  it.mac = std::make_unique<seal::ContentMac>(*opened.keys, header);
  Step planned = PlanUnsealing(it.attrs, &it.plan);
  if (!planned) NotDone(it, planned.fault());
  return bool(planned);
}

// Reads the record and decides what the change is; false when there is none to make.
bool Decide(Item& it, const TransactionOptions& options) {
  const ChangeRequest& req = *it.request;
  auto value = it.attrs.find(kPrivCodecAttr);
  std::string record = value == it.attrs.end() ? std::string() : value->second;
  if (record.size() > size_t(kPrivCodecReadMax)) record.resize(size_t(kPrivCodecReadMax));
  const bool coded = record.size() >= size_t(kPrivCodecMinBytes);
  auto sealAttr = it.attrs.find(seal::kSealAttr);
  const FoundSeal found = FindSeal(it.fd(), uint64_t(it.st.st_size),
                                   sealAttr == it.attrs.end() ? nullptr : &sealAttr->second);
  // Coding and sealing are two ways to protect a file: one is undone before the other is done.
  if (found.sealed && (coded || !req.sealing)) {
    NotDone(it, Fault(coded ? FaultCode::SealFailed : FaultCode::SealedNotCoded)
                    .Seal(seal::SealFault::Damaged));
    return false;
  }
  if (coded && req.sealing) {
    NotDone(it, Fault(FaultCode::CodedNotSealed));
    return false;
  }
  const bool isProtected = coded || found.sealed;
  if (req.expectCoded && *req.expectCoded != isProtected) {
    it.result.outcome = WorkOutcome::StateChanged;
    it.result.record.name.clear();
    it.result.foundCoded = isProtected;
    return false;
  }
  if (req.sealing)
    return found.sealed ? DecideUnsealing(it, options, found) : DecideSealing(it, options);
  if (req.bytesOnly) {
    it.direction = req.bytesOnly->direction;
    it.result.direction = it.direction;
    std::memcpy(it.key, req.bytesOnly->key, 6);
    return true;
  }
  it.direction = coded ? CipherDirection::Decode : CipherDirection::Code;
  it.result.direction = it.direction;
  Step planned = Step::Ok();
  if (coded) {
    Fault damaged(FaultCode::DamagedRecord);
    if (!IsWholeRecord(record.data(), record.size(), &damaged.flaw)) {
      it.result.direction.reset();
      NotDone(it, Fault(FaultCode::NotDecoded).Because(damaged));
      return false;
    }
    it.result.record = DecodeRecordValue(record.data(), record.size());
    if (it.result.record.password != options.password) {
      it.result.outcome = WorkOutcome::WrongPassword;
      return false;
    }
    if (!options.passwordSet) {
      it.result.outcome = WorkOutcome::NoPassword;
      return false;
    }
    auto integrity = it.attrs.find(kIntegrityAttr);
    if (integrity != it.attrs.end()) {
      // One written with an earlier record (the file decoded and coded again by a program that
      // does not know of it) says nothing of these bytes.
      IntegrityCheck check = CheckIntegrity(integrity->second, value->second);
      if (check.kind == IntegrityCheck::Damaged) {
        NotDone(it, Fault(FaultCode::NotDecoded)
                        .Because(Fault(FaultCode::DamagedIntegrity).Because(check.why)));
        return false;
      }
      if (check.kind == IntegrityCheck::Fits) it.expected = check.integrity;
      if (it.expected && it.expected->length != uint64_t(it.st.st_size)) {
        NotDone(it, Fault(FaultCode::ChangedSizeSinceCoded)
                        .Numbers(uint64_t(it.st.st_size), it.expected->length));
        return false;
      }
    }
    std::memcpy(it.key, it.result.record.timeCode, 6);
    planned = PlanDecoding(it.attrs, &it.plan);
  } else {
    if (!options.passwordSet) {
      it.result.outcome = WorkOutcome::NoPassword;
      return false;
    }
    char timeCode[kTimeCodeBytes + 1];
    FormTimeCode(plat::CurrentClock().LocalNow(), timeCode);
    it.result.record = NewRecordFields(req.recordName, options.password, timeCode);
    std::memcpy(it.key, timeCode, 6);
    planned = PlanCoding(it.attrs, EncodeRecordValue(it.result.record), &it.plan);
  }
  if (!planned) {
    NotDone(it, planned.fault());
    return false;
  }
  return true;
}

// Opens, locks and reads the file and plans its change. True when it joins the batch.
bool Prepare(Item& it, const TransactionOptions& options, SeenFiles& seen) {
  it.result.file = it.request->file;
  if (!OpenAndLock(it, seen)) return false;
  Step read = ReadAttrs(it.fd(), &it.attrs);
  if (!read) {
    NotDone(it, read.fault());
    return false;
  }
  if (!SettleEarlierChange(it, options) || !Decide(it, options)) return false;
  if (!it.failure.empty()) {
    NotDone(it, it.failure);
    return false;
  }
  return true;
}

// Flushes the files: one by one when they are few, else once per file system.
Step FlushFiles(const std::vector<Item*>& items) {
  Step first = Step::Ok();
  auto note = [&](int r) {
    if (r < 0 && first) first = Step::Fail(Fault(FaultCode::Flush).Err(r));
  };
  if (items.size() <= kFileByFileFlushes) {
    for (Item* it : items) note(plat::Files().Fsync(it->fd()));
    return first;
  }
  std::map<dev_t, int> devices;
  for (Item* it : items) devices.emplace(it->st.st_dev, it->fd());
  for (const auto& [device, fd] : devices) note(plat::Files().Syncfs(fd));
  return first;
}

class Batch {
 public:
  // `swept`: the folders whose stale journals were looked for already.
  Batch(std::vector<Item*> items, const TransactionOptions& options, std::set<std::string>* swept)
      : items_(std::move(items)), options_(options), swept_(swept) {}
  void Run();

 private:
  bool StartJournal();
  void MarkFiles();
  void CheckAndApply();
  void TurnBackFailed();
  void Finish();
  void RefuseAll(const Fault& why) {
    for (Item* it : items_) NotDone(*it, why);
  }
  std::vector<Item*> Marked() const {
    std::vector<Item*> out;
    for (Item* it : items_)
      if (it->marked) out.push_back(it);
    return out;
  }

  std::vector<Item*> items_;
  const TransactionOptions& options_;
  std::set<std::string>* swept_;
  JournalWriter journal_;
  bool outOfMemory_ = false;
};

bool Batch::StartJournal() {
  const std::string folder = plat::ParentOf(items_[0]->request->file);
  if (options_.sweepStaleJournals && swept_->insert(folder).second) RemoveStaleJournals(folder);
  const std::string journalFolder = JournalFolder(folder);
  Step made = journalFolder.empty() ? Step::Fail(Fault(FaultCode::NoShortFolder))
                                    : journal_.Create(journalFolder);
  if (!made && journalFolder == folder) {
    const std::string state = JournalFolder(StateFolder());
    if (!state.empty()) made = journal_.Create(state);
  }
  if (made) {
    std::vector<JournalEntry> entries;
    for (size_t i = 0; i < items_.size(); ++i) {
      Item& it = *items_[i];
      it.entry = uint32_t(i);
      JournalEntry e;
      e.index = it.entry;
      e.direction = it.direction;
      e.device = uint64_t(it.st.st_dev);
      e.inode = uint64_t(it.st.st_ino);
      e.size = it.sealed ? it.contentBytes : uint64_t(it.st.st_size);
      e.mode = uint32_t(it.st.st_mode & 07777);
      std::memcpy(e.key, it.key, 6);
      e.sealed = it.sealed;
      if (it.sealed) {
        const seal::RecordBytes record = seal::EncodeRecord(it.sealRecord);
        e.sealRecord.assign(record.begin(), record.end());
      }
      e.path = it.request->file;
      e.plan = it.plan;
      entries.push_back(std::move(e));
    }
    made = journal_.Begin(entries, options_.windowBytes);
    if (made) made = journal_.Flush();
    if (!made) (void)journal_.Remove();
  }
  if (!made) RefuseAll(Fault(FaultCode::NoJournal).Because(made.fault()));
  return bool(made);
}

void Batch::MarkFiles() {
  for (Item* it : items_) {
    ChangeMarker m;
    m.direction = it->direction;
    m.sealed = it->sealed;
    m.entry = it->entry;
    m.nonce = journal_.Nonce();
    m.journal = journal_.Path();
    const std::string value = EncodeMarker(m);
    int r = plat::Attrs().Set(it->fd(), kChangeMarkerAttr, value.data(), value.size());
    if (r < 0) {
      NotDone(*it, Fault(FaultCode::Mark).Err(r));
      continue;
    }
    it->marked = true;
  }
  // The markers, and whatever the files held unflushed, reach the disk before any byte changes.
  std::vector<Item*> marked = Marked();
  Step flushed = FlushFiles(marked);
  if (!flushed) {
    for (Item* it : marked) {
      (void)plat::Attrs().Remove(it->fd(), kChangeMarkerAttr);
      it->marked = false;
      NotDone(*it, flushed.fault());
    }
  }
}

void Batch::CheckAndApply() {
  for (Item* it : Marked()) {
    const bool decoding = it->direction == CipherDirection::Decode;
    // Another program that wrote to the file meanwhile (an append, a truncation) would leave it
    // part coded, part plain: the change is turned back and what that program wrote is kept.
    struct stat after {};
    if (plat::Files().Fstat(it->fd(), &after) == 0 && after.st_size != it->st.st_size) {
      it->resized = true;
      it->failure =
          Fault(decoding ? FaultCode::ResizedWhileDecoding : FaultCode::ResizedWhileCoding);
      continue;
    }
    if (it->pass.failed) {
      it->failure = it->pass.failure;
      continue;
    }
    if (decoding && it->expected && it->pass.digest.Value() != it->expected->digest) {
      it->failure = Fault(FaultCode::ChangedSinceCoded);
      continue;
    }
    if (decoding && it->sealed) {
      if (seal::SealFault changed = it->mac->Check(it->sealRecord.mac);
          changed != seal::SealFault::None) {
        it->failure = Fault(FaultCode::SealFailed).Seal(changed);
        continue;
      }
    }
    // The path must still name the file that was changed: a file replaced or moved meanwhile
    // (an editor's save, a sync) is turned back and the new one left alone.
    struct stat now {};
    if (plat::Files().Stat(it->request->file, &now) < 0 || now.st_dev != it->st.st_dev ||
        now.st_ino != it->st.st_ino) {
      it->failure = Fault(FaultCode::ReplacedWhileWorking).Path(it->request->file);
      continue;
    }
    // A sealing's record goes after its content; an unsealing cuts it off.
    std::string computed;
    Step applied = Step::Ok();
    if (it->sealed && !decoding) {
      const seal::RecordBytes record =
          seal::EncodeRecord({it->sealRecord.header, it->mac->Finish()});
      computed.assign(record.begin(), record.end());
      applied = WriteTrailer(it->fd(), it->contentBytes, computed);
    } else if (it->sealed) {
      applied = CutToContent(it->fd(), it->contentBytes);
    } else {
      computed = EncodeIntegrity({uint64_t(it->st.st_size), it->pass.digest.Value()},
                                 PlannedValue(it->plan, kPrivCodecAttr, true));
    }
    if (applied) applied = ApplyPlan(it->fd(), it->plan, true, computed, false, true);
    if (!applied) it->failure = applied.fault();
  }
}

void Batch::TurnBackFailed() {
  std::vector<Item*> failed;
  for (Item* it : Marked())
    if (!it->failure.empty()) failed.push_back(it);
  if (failed.empty()) return;
  // Should the note not reach the disk, a crash while turning back completes the change instead:
  // the file still ends whole.
  Step noted = Step::Ok();
  for (Item* it : failed)
    if (noted) noted = journal_.WriteTurnBack(it->entry);
  if (noted) noted = journal_.Flush();
  JournalContents contents;
  Step read = ReadJournal(journal_.Path(), geteuid(), &contents);
  for (Item* it : failed) {
    WorkResult& r = it->result;
    r.outcome = WorkOutcome::NotDone;
    r.reason = it->failure;
    auto file = contents.files.find(it->entry);
    Step back = read;
    if (back && file == contents.files.end()) back = Step::Fail(Fault(FaultCode::JournalLostEntry));
    SettleResult settled;
    const ContentKey key = ContentKeyOf(*it);
    if (back && it->resized)
      back = TurnBackResized(it->fd(), file->second, key, it->pass.written);
    else if (back)
      back = Settle(it->fd(), file->second, key, false, &settled);
    // A sealed file ends as it began: plain with nothing after its content, or sealed with its
    // record after it.
    if (back && it->sealed && !it->resized) {
      const std::string record = file->second.entry.sealRecord;
      back = it->direction == CipherDirection::Code
                 ? CutToContent(it->fd(), it->contentBytes)
                 : WriteTrailer(it->fd(), it->contentBytes, record);
    }
    if (back) back = ApplyPlan(it->fd(), it->plan, false, {}, true, false);
    if (back) {
      r.turnedBack = true;
    } else {
      // The worst comes first: the file is not whole, and stays marked for the next look.
      r.leftAsItWas = false;
      r.pendingRecovery = true;
      r.reason = Fault(FaultCode::TurnBackFailed)
                     .Path(it->request->file)
                     .Because(back.fault())
                     .Because(it->failure);
      it->marked = false;  // the marker stays
    }
  }
}

void Batch::Finish() {
  std::vector<Item*> marked = Marked();
  for (Item* it : marked) PutBackSetIdBits(it->fd(), uint32_t(it->st.st_mode));
  Step flushed = FlushFiles(marked);
  bool markersLeft = false;
  for (Item* it : items_) markersLeft |= it->result.pendingRecovery;
  for (Item* it : marked) {
    WorkResult& r = it->result;
    if (!flushed) {
      // Bytes and attributes may not all be on disk: the marker stays, so that the next look
      // completes or turns back what the disk holds.
      r.outcome = WorkOutcome::NotDone;
      r.leftAsItWas = false;
      r.pendingRecovery = true;
      r.reason = Fault(FaultCode::LeftForNextLook).Path(it->request->file).Because(flushed.fault());
      markersLeft = true;
      continue;
    }
    int removed = plat::Attrs().Remove(it->fd(), kChangeMarkerAttr);
    if (removed < 0 && removed != -ENODATA) {
      markersLeft = true;
      r.markerLeft = Fault(FaultCode::CallFailed).Err(removed);
    }
    if (it->failure.empty()) {
      const bool forward = it->direction == CipherDirection::Code;
      r.outcome = it->sealed ? (forward ? WorkOutcome::Sealed : WorkOutcome::Unsealed)
                             : (forward ? WorkOutcome::Coded : WorkOutcome::Decoded);
      r.leftAsItWas = false;
    }
  }
  if (!markersLeft) (void)journal_.Remove();
}

void Batch::Run() {
  if (!StartJournal()) return;
  MarkFiles();
  std::vector<PassFile*> pass;
  for (Item* it : Marked()) {
    PassFile& p = it->pass;
    p.fd = it->fd();
    p.entry = it->entry;
    p.size = it->sealed ? it->contentBytes : uint64_t(it->st.st_size);
    p.key = ContentKeyOf(*it);
    p.sealed = it->sealed;
    p.mac = it->mac.get();
    p.direction = it->direction;
    p.name = it->request->file;
    pass.push_back(&p);
  }
  PassOptions po;
  po.overlapFlushes = options_.overlapFlushes;
  po.progress = options_.progress;
  (void)RunJournaledPass(pass, journal_, po, &outOfMemory_);
  for (Item* it : Marked()) it->result.outOfMemory = outOfMemory_;
  CheckAndApply();
  TurnBackFailed();
  Finish();
}

}  // namespace

std::vector<WorkResult> RunTransaction(const std::vector<ChangeRequest>& requests,
                                       const TransactionOptions& options) {
  std::vector<std::unique_ptr<Item>> items;
  for (const ChangeRequest& r : requests) {
    items.push_back(std::make_unique<Item>());
    items.back()->request = &r;
  }
  // From the first file locked to the last marker gone, nothing but a kill ends the program.
  DeferredSignals deferred;
  size_t next = 0;
  size_t told = 0;
  std::set<std::string> swept;
  SeenFiles seen;
  while (next < items.size()) {
    if (options.stopRequested && options.stopRequested()) {
      for (; next < items.size(); ++next) {
        Item& it = *items[next];
        it.result.file = it.request->file;
        it.result.outcome = WorkOutcome::NotDone;
        it.result.stopped = true;
        it.result.reason = Fault(FaultCode::Stopped);
      }
      break;
    }
    std::vector<Item*> batch;
    uint64_t bytes = 0;
    while (next < items.size() && batch.size() < options.batchFiles &&
           (batch.empty() || bytes < options.batchBytes)) {
      Item& it = *items[next++];
      if (Prepare(it, options, seen)) {
        batch.push_back(&it);
        bytes += uint64_t(it.st.st_size);
      } else {
        it.file.Close();
      }
    }
    if (!batch.empty()) Batch(batch, options, &swept).Run();
    for (Item* it : batch) it->file.Close();
    for (; options.onResult && told < next; ++told) options.onResult(told, items[told]->result);
  }
  for (; options.onResult && told < items.size(); ++told)
    options.onResult(told, items[told]->result);
  std::vector<WorkResult> results;
  for (auto& it : items) results.push_back(std::move(it->result));
  return results;
}
