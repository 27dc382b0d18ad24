#include "engine/FileInspection.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "codec/CCO.h"
#include "codec/WholeRecord.h"
#include "codec/CodedFile.h"
#include "engine/ChangeMarker.h"
#include "engine/Recovery.h"
#include "platform/AttrBackend.h"
#include "platform/FileCalls.h"
#include "platform/NodeInfo.h"
#include "platform/Paths.h"
#include "platform/Volume.h"

namespace {

void NotWorkableFor(Inspection& ins, NotWorkable what, std::string why) {
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
    NotWorkableFor(ins, NotWorkable::LinkNotFollowed,
                   "it is a link whose target is named in 4 bytes or fewer, which is not followed");
    return false;
  }
  char resolved[PATH_MAX];
  if (::realpath(ins.path.c_str(), resolved) == nullptr) {
    const int err = errno;
    if (err == ELOOP) {
      NotWorkableFor(ins, NotWorkable::LinkLoop, "its links lead round in a loop");
    } else if (err == ENOENT) {
      NotWorkableFor(ins, NotWorkable::LinkNowhere, "its link leads nowhere");
    } else {
      NotWorkableFor(ins, NotWorkable::LinkNowhere,
                     std::string("its link cannot be followed: ") + std::strerror(err));
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
void LookInside(Inspection& ins) {
  int fd = plat::Files().Open(ins.file, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    NotWorkableFor(ins, NotWorkable::Unreadable,
                   std::string("can't read its attributes: ") + std::strerror(-fd));
    return;
  }
  std::string value;
  char probe;
  if (plat::Attrs().Get(fd, kChangeMarkerAttr, &probe, 0) >= 0) {
    plat::Files().Close(fd);
    RecoveryAttempt attempt = RecoverFile(ins.file);
    if (attempt.report) ins.recovery = attempt.report;
    if (!attempt.report || !attempt.report->settled) {
      NotWorkableFor(ins, NotWorkable::Unsettled,
                     attempt.busy      ? "another program is changing it"
                     : !attempt.opened ? "it carries an interrupted change, which cannot be "
                                         "settled: can't open it: " +
                                             attempt.whyNotOpened
                                       : "it carries an interrupted change, which could not be "
                                         "settled: " +
                                             attempt.report->why);
      return;
    }
    fd = plat::Files().Open(ins.file, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
      NotWorkableFor(ins, NotWorkable::Unreadable,
                     std::string("can't read its attributes: ") + std::strerror(-fd));
      return;
    }
  }
  ins.opened = true;
  ssize_t r = ReadAttr(fd, kPrivCodecAttr, &value, size_t(kPrivCodecReadMax));
  if (r < 0 && r != -ENODATA) {
    NotWorkableFor(ins, NotWorkable::Unreadable,
                   std::string("can't read its attributes: ") + std::strerror(int(-r)));
  } else if (r >= kPrivCodecMinBytes) {
    ins.coded = true;
    std::string why;
    if (IsWholeRecord(value.data(), value.size(), &why)) {
      ins.record = DecodeRecordValue(value.data(), value.size());
    } else {
      // Never decoded with: a value another program left, or one damaged, is no record.
      NotWorkableFor(ins, NotWorkable::DamagedRecord, "damaged record (" + why + ")");
    }
  }
  // The stashed large icon when it has the exact size of one; one byte more is asked for, so a
  // longer value is not taken for an icon.
  if (ReadAttr(fd, kLargeIconStashAttr, &value, plat::kLargeIconBytes + 1) ==
      ssize_t(plat::kLargeIconBytes))
    ins.stashedIcon.assign(value.begin(), value.end());
  plat::Files().Close(fd);
}

}  // namespace

Inspection InspectEntry(const std::string& path) {
  Inspection ins;
  ins.path = path;
  ins.file = path;
  ins.notWorkable = NotWorkable::None;

  // The kind of entry is judged on the path as handed in, before a link is followed.
  struct stat st {};
  if (path.empty() || lstat(path.c_str(), &st) != 0) {
    ins.statFailed = true;
    NotWorkableFor(ins, NotWorkable::Missing,
                   path.empty() ? std::strerror(ENOENT) : std::strerror(errno));
    return ins;
  }
  if (S_ISDIR(st.st_mode)) {
    NotWorkableFor(ins, NotWorkable::Folder, "it is a folder");
  } else if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
    NotWorkableFor(ins, NotWorkable::NotRegular, "it is not a regular file");
  }
  if (S_ISLNK(st.st_mode) && !FollowLink(ins)) return ins;

  // What the link leads to must be a regular file too.
  struct stat target {};
  const bool exists = stat(ins.file.c_str(), &target) == 0;
  if (exists && ins.workable() && !S_ISREG(target.st_mode)) {
    NotWorkableFor(ins, S_ISDIR(target.st_mode) ? NotWorkable::Folder : NotWorkable::NotRegular,
                   S_ISDIR(target.st_mode) ? "it leads to a folder"
                                           : "it leads to something not a regular file");
  }
  if (exists) {
    plat::Volume volume;
    (void)volume.SetTo(ins.file);  // a volume that cannot be had knows nothing
    if (!volume.KnowsAttr()) {
      ins.noAttributes = true;
      if (ins.workable())
        NotWorkableFor(ins, NotWorkable::NoAttributes, "its file system keeps no attributes");
    }
  }
  if (!ins.workable()) return ins;
  // The work acts on the file by its canonical name, whatever folder it is run from later.
  char canonical[PATH_MAX];
  if (::realpath(ins.file.c_str(), canonical) != nullptr) ins.file = canonical;
  LookInside(ins);
  return ins;
}
