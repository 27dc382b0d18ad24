// The attribute steps of the coding transaction, after the bytes were transformed: what the file
// had (preferred application, type, icons) moved into the stashes beside the record on coding,
// and back out of them on decoding. Each stops at its first failed step; the transaction then
// puts the file back as it was.
#include <cerrno>
#include <cstring>
#include <string>

#include "engine/AttrNames.h"
#include "engine/AttrSteps.h"
#include "engine/Engine.h"
#include "platform/NodeInfo.h"

namespace {

#define RETURN_IF_FAILED(step)       \
  do {                               \
    plat::Outcome outcome_ = (step); \
    if (!outcome_) return outcome_;  \
  } while (0)

plat::Outcome Checked(int result, const char* what) {
  if (result == 0) return plat::Outcome::Ok();
  return plat::Outcome::Fail(std::string(what) + ": " + std::strerror(-result));
}

}  // namespace

plat::Outcome Engine::MoveAttrsToStash(plat::Node& node) {
  plat::NodeInfo info(&node);
  char prefApp[kAttrTextMax];
  bool hasPrefApp = false;
  RETURN_IF_FAILED(ReadText(node, plat::kPrefAppAttr, prefApp, &hasPrefApp));
  if (hasPrefApp) RETURN_IF_FAILED(WriteText(node, kPrefAppStashAttr, prefApp));
  RETURN_IF_FAILED(RemoveIfThere(node, plat::kPrefAppAttr));

  // The record is written before the type is stashed and the file retyped.
  char type[kAttrTextMax];
  bool hasType = false;
  RETURN_IF_FAILED(ReadText(node, plat::kTypeAttr, type, &hasType));
  const char* line = s_.workingRecord->CodeLine();
  RETURN_IF_FAILED(WriteWhole(node, kPrivCodecAttr, plat::B_RAW_TYPE, line,
                              size_t(s_.workingRecord->LineLength()) + 1));
  if (hasType) RETURN_IF_FAILED(WriteText(node, kTypeStashAttr, type));
  RETURN_IF_FAILED(Checked(info.SetType(kCodedDataType), "can't set the type"));

  // Each icon's stash is written before the icon is removed, so a failed write loses nothing.
  bool found = false;
  RETURN_IF_FAILED(
      ReadExact(node, plat::kLargeIconAttr, s_.largeIcon, plat::kLargeIconBytes, &found));
  if (found) {
    RETURN_IF_FAILED(WriteWhole(node, kLargeIconStashAttr, plat::B_RAW_TYPE, s_.largeIcon,
                                plat::kLargeIconBytes));
    RETURN_IF_FAILED(RemoveIfThere(node, plat::kLargeIconAttr));
  }
  RETURN_IF_FAILED(ReadExact(node, plat::kMiniIconAttr, s_.miniIcon, plat::kMiniIconBytes, &found));
  if (found) {
    RETURN_IF_FAILED(
        WriteWhole(node, kMiniIconStashAttr, plat::B_RAW_TYPE, s_.miniIcon, plat::kMiniIconBytes));
    RETURN_IF_FAILED(RemoveIfThere(node, plat::kMiniIconAttr));
  }
  return plat::Outcome::Ok();
}

plat::Outcome Engine::MoveAttrsFromStash(plat::Node& node) {
  plat::NodeInfo info(&node);
  // The stashed icons are fetched before the type and the preferred application go back.
  bool restoreLarge = false;
  bool restoreMini = false;
  RETURN_IF_FAILED(
      ReadExact(node, kLargeIconStashAttr, s_.largeIcon, plat::kLargeIconBytes, &restoreLarge));
  if (restoreLarge) s_.largeBitmap.SetBits(s_.largeIcon, plat::kLargeIconBytes);
  RETURN_IF_FAILED(
      ReadExact(node, kMiniIconStashAttr, s_.miniIcon, plat::kMiniIconBytes, &restoreMini));
  if (restoreMini) s_.miniBitmap.SetBits(s_.miniIcon, plat::kMiniIconBytes);

  // Without a stashed type the file had none: it is typed by its contents again.
  char type[kAttrTextMax];
  bool hasType = false;
  RETURN_IF_FAILED(ReadText(node, kTypeStashAttr, type, &hasType));
  if (hasType) {
    RETURN_IF_FAILED(Checked(info.SetType(type), "can't set the type"));
  } else {
    int removed = info.RemoveType();
    if (removed != -ENODATA) RETURN_IF_FAILED(Checked(removed, "can't remove the type"));
  }
  RETURN_IF_FAILED(RemoveIfThere(node, kTypeStashAttr));

  char prefApp[kAttrTextMax];
  bool hasPrefApp = false;
  RETURN_IF_FAILED(ReadText(node, kPrefAppStashAttr, prefApp, &hasPrefApp));
  if (hasPrefApp) {
    RETURN_IF_FAILED(Checked(info.SetPreferredApp(prefApp), "can't set the preferred application"));
  } else {
    RETURN_IF_FAILED(RemoveIfThere(node, plat::kPrefAppAttr));
  }
  RETURN_IF_FAILED(RemoveIfThere(node, kPrefAppStashAttr));

  // Each icon is set before its stash goes.
  if (restoreLarge) {
    RETURN_IF_FAILED(Checked(info.SetIcon(s_.largeBitmap.Bits(), plat::IconSize::Large),
                             "can't set the large icon"));
    RETURN_IF_FAILED(RemoveIfThere(node, kLargeIconStashAttr));
  }
  if (restoreMini) {
    RETURN_IF_FAILED(Checked(info.SetIcon(s_.miniBitmap.Bits(), plat::IconSize::Mini),
                             "can't set the mini icon"));
    RETURN_IF_FAILED(RemoveIfThere(node, kMiniIconStashAttr));
  }
  // The record goes last, once bytes and attributes are back.
  return RemoveIfThere(node, kPrivCodecAttr);
}
