// The inspection of the current path: is it a file that can be worked on, and is it coded.
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "engine/AttrNames.h"
#include "engine/Engine.h"
#include "engine/LinkTarget.h"
#include "platform/NodeInfo.h"
#include "platform/Paths.h"
#include "platform/Volume.h"
#include "settings/ProgramIcons.h"

void Engine::XCheck(bool setLabel) {
  plat::Node node(s_.currentPath);
  s_.workable = false;
  view_.SetFileLabel(plat::LeafOf(s_.currentPath));

  // The kind of entry is judged on the path as handed in, before a link is followed.
  struct stat st {};
  if (node.GetStat(&st) != 0) {
    std::printf("CAN'T GET STAT's :(\n>>'%s'\n", s_.currentPath.c_str());
  } else {
    s_.workable = S_ISREG(st.st_mode) || S_ISLNK(st.st_mode);
  }

  // A link with a target of more than four bytes is followed; a relative target is taken from
  // the link's folder. A target too long for the link buffer is not guessed at: the entry is
  // not workable.
  char target[PATH_MAX + 1];
  long n = plat::ReadLink(s_.currentPath, target, PATH_MAX);
  size_t kept = n > 0 ? std::min(size_t(n), sizeof s_.linkTarget - 1) : 0;
  std::memcpy(s_.linkTarget, target, kept);
  s_.linkTarget[kept] = '\0';
  if (n > 4) {
    if (size_t(n) > kept) {
      s_.workable = false;
      node.Unset();
    } else {
      s_.currentPath = LinkTargetPath(s_.currentPath, s_.linkTarget);
      node.SetTo(s_.currentPath);
    }
  }

  // An entry that cannot be opened has no volume to judge.
  if (node.InitCheck() == 0) {
    plat::Volume volume;
    (void)volume.SetTo(node.Path());  // a volume that cannot be had knows nothing
    if (!volume.KnowsMime()) {
      s_.workable = false;
      std::printf("No valid Volume (Mime)!\n");
      view_.Beep();
    }
    if (!volume.KnowsAttr()) {
      s_.workable = false;
      std::printf("No valid Volume (Attr)!\n");
      view_.Beep();
    }
  }
  if (node.InitCheck() != 0 || !s_.workable) return;

  ssize_t r = node.ReadAttr(kPrivCodecAttr, plat::B_RAW_TYPE, 0, s_.attrBuffer, kPrivCodecReadMax);
  s_.attrSize = int32_t(r);
  s_.attrBuffer[r > 0 ? r : 0] = '\0';
  if (r >= kPrivCodecMinBytes) {
    std::printf("MVW> Has Codec-Attr.!\n");
    s_.fileRecord->DecodeLine(s_.attrBuffer, size_t(r));
    if (setLabel) view_.SetButtonLabel("DECODE IT");
    s_.coded = true;
  } else {
    std::printf("MVW> NO  Codec-Attr.!\n");
    if (setLabel) view_.SetButtonLabel("CODE IT");
    s_.coded = false;
  }

  // The stashed large icon when it has the exact size of one; the program's own otherwise. One
  // byte more is asked for, so a longer value is not taken for an icon.
  uint8_t icon[plat::kLargeIconBytes + 1];
  ssize_t got = node.ReadAttr(kLargeIconStashAttr, plat::B_RAW_TYPE, 0, icon, sizeof icon);
  if (got == ssize_t(plat::kLargeIconBytes)) {
    std::memcpy(s_.largeIcon, icon, plat::kLargeIconBytes);
    view_.ShowIcon(s_.largeIcon);
  } else {
    view_.ShowIcon(DataBBits);
  }
  view_.UpdateIfNeeded();
}
