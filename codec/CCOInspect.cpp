#include "codec/CCOInspect.h"

#include <cstdio>
#include <string>

#include "platform/Paths.h"

void CCOInspect::XCheck() {
  node_.SetTo(path_);
  isFile_ = false;

  if (node_.GetStat(&status_) != 0) {
    printf("CAN'T GET STAT's :(\n");
  } else {
    isFile_ = S_ISREG(status_.st_mode) || S_ISLNK(status_.st_mode);
  }

  // A link is followed when its target text is longer than 4 bytes. The text is kept
  // terminated; a relative target names an entry beside the link, not in the current folder.
  const long got = plat::ReadLink(path_, linkTarget_, sizeof linkTarget_ - 1);
  linkTarget_[got > 0 ? got : 0] = 0;
  if (got > 4) {
    std::string target(linkTarget_, static_cast<size_t>(got));
    if (target[0] != '/') target = plat::ParentOf(path_) + "/" + target;
    path_ = target;
    node_.SetTo(path_);
  }

  if (node_.InitCheck() != 0 || !isFile_) {
    printf("> dnode BAD InitCheck\n");
    node_.Unset();
    return;
  }

  readResult_ = static_cast<int32_t>(node_.ReadAttr(kPrivCodecAttr, attrBuf_, kPrivCodecReadMax));
  if (readResult_ >= kPrivCodecMinBytes) {
    printf("Cco> Has Codec-Attr.!\n");
    // Only the bytes read belong to the value; whatever it claims beyond them counts as zeros.
    record_->DecodeLine(attrBuf_, static_cast<size_t>(readResult_));
    record_->PrintToTerminal();
    record_->PrintToView();
    hasRecord_ = true;
  } else {
    printf("CCo> NO  Codec-Attr.!\n");
    record_->ToView("> no Codec-Attr.!\n");
    hasRecord_ = false;
  }
  node_.Unset();
}
