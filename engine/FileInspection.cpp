#include "engine/FileInspection.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codec/CCO.h"
#include "codec/CodedFile.h"
#include "codec/WholeRecord.h"
#include "engine/journal/ChangeMarker.h"
#include "engine/journal/IntegrityAttr.h"
#include "engine/journal/Recovery.h"
#include "engine/journal/SealedContent.h"
#include "engine/rescue/KeyFinder.h"
#include "engine/rescue/RecordMismatch.h"
#include "platform/AttrBackend.h"
#include "platform/Clock.h"
#include "platform/FileCalls.h"
#include "platform/NodeInfo.h"
#include "platform/OpenFile.h"
#include "platform/Paths.h"
#include "platform/Volume.h"
#include "seal/SealRecord.h"

namespace {

void NotWorkableFor(Inspection& ins, NotWorkable what, Fault why) {
  ins.notWorkable = what;
  ins.whyNot = std::move(why);
}

// Follows the link at `ins.path` when its target text is long enough; false when the entry is
// settled as not workable.
bool FollowLink(Inspection& ins) {
  char target[PATH_MAX + 1];
  long n = plat::ReadLink(ins.path, target, PATH_MAX);
  if (n <= 0) return true;  // not a link
  if (n <= 4) {
    NotWorkableFor(ins, NotWorkable::LinkNotFollowed, Fault(FaultCode::LinkNotFollowed));
    return false;
  }
  char resolved[PATH_MAX];
  if (::realpath(ins.path.c_str(), resolved) == nullptr) {
    const int err = errno;
    if (err == ELOOP) {
      NotWorkableFor(ins, NotWorkable::LinkLoop, Fault(FaultCode::LinkLoop));
    } else if (err == ENOENT) {
      NotWorkableFor(ins, NotWorkable::LinkNowhere, Fault(FaultCode::LinkNowhere));
    } else {
      NotWorkableFor(ins, NotWorkable::LinkNowhere, Fault(FaultCode::LinkUnfollowable).Err(err));
    }
    return false;
  }
  ins.file = resolved;
  return true;
}

// Reads at most `max` bytes of the attribute through the open file; the count or -errno.
ssize_t ReadAttr(int fd, const char* name, std::string* value, size_t max) {
  value->assign(max, '\0');
  ssize_t r = plat::Attrs().Get(fd, name, value->data(), max);
  value->resize(r > 0 ? size_t(r) : 0);
  return r;
}

// Opens the file and reads what the inspection tells: the record, the stashed icon, and any
// interrupted change, which it settles first.
void LookInside(Inspection& ins, SealPassword* password) {
  plat::OpenFile file =
      plat::OpenFile::Open(ins.file, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (!file.IsOpen()) {
    NotWorkableFor(ins, NotWorkable::Unreadable, Fault(FaultCode::ReadAttrs).Err(file.Fd()));
    return;
  }
  int fd = file.Fd();
  // One listing tells which of the attributes to read are there at all.
  std::vector<std::string> names;
  int listed = plat::Attrs().List(fd, &names);
  auto has = [&](const char* name) {
    return listed < 0 || std::find(names.begin(), names.end(), name) != names.end();
  };
  if (listed == 0 && has(kChangeMarkerAttr)) {
    file.Close();
    RecoveryAttempt attempt = RecoverFile(ins.file, password);
    if (attempt.report) ins.recovery = attempt.report;
    // Opened, not held by another, and no report: the marker was gone when it was read (another
    // program settled the change meanwhile), and the file is looked at as it now is.
    if (attempt.busy || !attempt.opened || (attempt.report && !attempt.report->settled)) {
      NotWorkableFor(ins, NotWorkable::Unsettled,
                     attempt.busy ? Fault(FaultCode::Busy)
                     : !attempt.opened
                         ? Fault(FaultCode::InterruptedCannotSettle).Because(attempt.whyNotOpened)
                         : Fault(FaultCode::InterruptedNotSettled).Because(attempt.report->why));
      return;
    }
    file = plat::OpenFile::Open(ins.file, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (!file.IsOpen()) {
      NotWorkableFor(ins, NotWorkable::Unreadable, Fault(FaultCode::ReadAttrs).Err(file.Fd()));
      return;
    }
    fd = file.Fd();
    listed = plat::Attrs().List(fd, &names);
  }
  ins.opened = true;
  std::string value;
  ssize_t r = has(kPrivCodecAttr) ? ReadAttr(fd, kPrivCodecAttr, &value, size_t(kPrivCodecReadMax))
                                  : -ENODATA;
  if (listed < 0 && listed != -ENOTSUP) r = listed;
  if (r < 0 && r != -ENODATA) {
    NotWorkableFor(ins, NotWorkable::Unreadable, Fault(FaultCode::ReadAttrs).Err(int(r)));
  } else if (r >= kPrivCodecMinBytes) {
    ins.coded = true;
    Fault damaged(FaultCode::DamagedRecord);
    if (IsWholeRecord(value.data(), value.size(), &damaged.flaw)) {
      ins.record = DecodeRecordValue(value.data(), value.size());
    } else {
      // Never decoded with: a value another program left, or one damaged, is no record.
      NotWorkableFor(ins, NotWorkable::DamagedRecord, damaged);
    }
  }
  // The file's size, and its first bytes, read once for both looks below: the seal's record at
  // the end of a file no longer than them, and the look for a lost record.
  struct stat st {};
  const bool sized = ins.workable() && plat::Files().Fstat(fd, &st) == 0;
  const uint64_t size = sized ? uint64_t(st.st_size) : 0;
  // (A coded file with its integrity attribute needs neither.)
  std::vector<uint8_t> prefix;
  if (ins.workable() && (!ins.coded || !has(kIntegrityAttr)))
    prefix = ReadLookPrefix(fd, sized ? size : kKeyLookBytes);
  const bool wholeFile = sized && prefix.size() == size;
  // A sealed file: its seal's record at its end (or its attribute, when the end lost it).
  if (sized && !ins.coded) {
    std::string attr;
    const bool hasAttr =
        has(seal::kSealAttr) && ReadAttr(fd, seal::kSealAttr, &attr, seal::kMaxRecordSize) >= 0;
    const std::string* kept = hasAttr ? &attr : nullptr;
    const size_t tail = size_t(std::min<uint64_t>(size, seal::kMaxRecordSize));
    const FoundSeal found =
        wholeFile ? FindSealInTail(prefix.data() + (prefix.size() - tail), tail, size, kept)
                  : FindSeal(fd, size, kept);
    ins.sealed = found.sealed;
    ins.sealFault = found.fault;
    ins.sealHeader = found.record.header;
  }
  // Bytes that disagree with the record: a copy that lost it, or plain bytes under one. A sealed
  // file is no such copy.
  if (ins.workable() && !ins.sealed)
    LookForMismatchIn(fd, prefix, size, ins.coded ? &ins.record : nullptr, has(kIntegrityAttr),
                      plat::CurrentClock().LocalNow(), &ins.mismatch, &ins.lostKey);
  // The stashed large icon when it has the exact size of one; one byte more is asked for, so a
  // longer value is not taken for an icon.
  if (has(kLargeIconStashAttr) &&
      ReadAttr(fd, kLargeIconStashAttr, &value, plat::kLargeIconBytes + 1) ==
          ssize_t(plat::kLargeIconBytes))
    ins.stashedIcon.assign(value.begin(), value.end());
}

}  // namespace

namespace {

// The absolute name of an entry that is no link: as it is when it needs no resolving, else
// resolved (a ".." after a linked folder leads elsewhere than the text says).
std::string AbsoluteName(const std::string& path) {
  const bool plain = path.find("/./") == std::string::npos &&
                     path.find("/../") == std::string::npos && path.rfind("../", 0) != 0 &&
                     path.rfind("./", 0) != 0 && path.find("//") == std::string::npos &&
                     path != "." && path != ".." && path.back() != '/' &&
                     !(path.size() >= 3 && path.compare(path.size() - 3, 3, "/..") == 0) &&
                     !(path.size() >= 2 && path.compare(path.size() - 2, 2, "/.") == 0);
  if (plain && path[0] == '/') return path;
  if (plain) {
    char cwd[PATH_MAX];
    // Deep in a tree the absolute name may be longer than the kernel takes: the name relative to
    // the current folder (which the caller chose for this) serves then.
    if (getcwd(cwd, sizeof cwd)) {
      std::string full = std::string(cwd) + (cwd[1] ? "/" : "") + path;
      return full.size() < PATH_MAX ? full : path;
    }
    return path;
  }
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

}  // namespace

Inspection InspectEntry(const std::string& path, VolumeAnswers* volumes, SealPassword* password) {
  Inspection ins;
  ins.path = path;
  ins.file = path;
  ins.notWorkable = NotWorkable::None;

  // The kind of entry is judged on the path as handed in, before a link is followed.
  struct stat st {};
  if (path.empty() || lstat(path.c_str(), &st) != 0) {
    ins.statFailed = true;
    NotWorkableFor(ins, NotWorkable::Missing,
                   Fault(FaultCode::CallFailed).Err(path.empty() ? ENOENT : errno));
    return ins;
  }
  if (S_ISDIR(st.st_mode)) {
    NotWorkableFor(ins, NotWorkable::Folder, Fault(FaultCode::ItIsAFolder));
  } else if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
    NotWorkableFor(ins, NotWorkable::NotRegular, Fault(FaultCode::NotRegular));
  }
  // The work acts on the file by its absolute name, whatever folder it is run from later; a
  // followed link by the name it finally leads to.
  struct stat target = st;
  if (S_ISLNK(st.st_mode)) {
    if (!FollowLink(ins)) return ins;
    // What the link leads to must be a regular file too.
    if (stat(ins.file.c_str(), &target) != 0) {
      NotWorkableFor(ins, NotWorkable::LinkNowhere, Fault(FaultCode::LinkNowhere));
      return ins;
    }
    if (ins.workable() && !S_ISREG(target.st_mode)) {
      NotWorkableFor(
          ins, S_ISDIR(target.st_mode) ? NotWorkable::Folder : NotWorkable::NotRegular,
          Fault(S_ISDIR(target.st_mode) ? FaultCode::LeadsToFolder : FaultCode::LeadsToOther));
    }
  } else if (ins.workable()) {
    ins.file = AbsoluteName(path);
  }
  // Whether the file system keeps attributes is asked once per file system and caller.
  auto known = volumes ? volumes->find(uint64_t(target.st_dev)) : VolumeAnswers::iterator();
  bool keeps;
  if (volumes && known != volumes->end()) {
    keeps = known->second;
  } else {
    plat::Volume volume;
    (void)volume.SetTo(ins.file);  // a volume that cannot be had knows nothing
    keeps = volume.KnowsAttr();
    if (volumes) (*volumes)[uint64_t(target.st_dev)] = keeps;
  }
  if (!keeps) {
    ins.noAttributes = true;
    if (ins.workable()) {
      NotWorkableFor(ins, NotWorkable::NoAttributes, Fault(FaultCode::NoAttributes));
      // A coded copy on a USB stick is told all the same, so that it is copied off and rescued.
      plat::OpenFile file =
          plat::OpenFile::Open(ins.file, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
      if (file.IsOpen())
        LookForMismatch(file.Fd(), nullptr, false, plat::CurrentClock().LocalNow(), &ins.mismatch,
                        &ins.lostKey);
    }
  }
  if (!ins.workable()) return ins;
  LookInside(ins, password);
  return ins;
}
