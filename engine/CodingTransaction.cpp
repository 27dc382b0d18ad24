// The coding transaction: a plain file coded (record, bytes, stashes, type, icons) or a coded
// file decoded after the password check. Every step is checked; a step that fails puts the
// file back as it was, bytes and attributes.
#include <cstdio>
#include <cstring>

#include "engine/AttrNames.h"
#include "engine/AttrSteps.h"
#include "engine/Engine.h"
#include "engine/LinkTarget.h"
#include "platform/NodeInfo.h"
#include "platform/Paths.h"

namespace {

#define RETURN_IF_FAILED(step)       \
  do {                               \
    plat::Outcome outcome_ = (step); \
    if (!outcome_) return outcome_;  \
  } while (0)

const uint8_t* KeyOf(const char* timeCode) {
  return reinterpret_cast<const uint8_t*>(timeCode);
}

plat::Outcome Checked(int result, const char* what) {
  if (result == 0) return plat::Outcome::Ok();
  return plat::Outcome::Fail(std::string(what) + ": " + std::strerror(-result));
}

}  // namespace

bool Engine::XWork() {
  if (!s_.workable) return false;

  // Bytes and attributes are both worked on the file that the path finally names.
  std::string file = WorkFile();
  plat::Node node;
  if (!file.empty()) (void)node.SetTo(file);
  if (node.InitCheck() != 0) {
    std::printf("> dnode BAD InitCheck\n");
    return false;
  }

  ssize_t r = node.ReadAttr(kPrivCodecAttr, plat::B_RAW_TYPE, 0, s_.attrBuffer, kPrivCodecReadMax);
  s_.attrSize = int32_t(r);
  s_.attrBuffer[r > 0 ? r : 0] = '\0';
  bool result = r >= kPrivCodecMinBytes ? DecodeFile(node, file) : CodeFile(node, file);

  int synced = node.Sync();
  if (synced != 0) std::printf("> Sync failed: %s\n", std::strerror(-synced));
  return result;
}

bool Engine::CodeFile(plat::Node& node, const std::string& file) {
  std::printf("\n> NO  Codec-Attr.!-> CODING:");
  if (!s_.passwordSet) return true;

  AttrSnapshot snapshot;
  if (!CheckChangeable(node, file, &snapshot, "\n")) return false;
  s_.workingRecord->GenerateC(plat::LeafOf(s_.currentPath).c_str(), s_.password);
  plat::Outcome pass = CodSim();
  if (!pass) {
    std::printf("\n> Not coded, file left as it was: %s\n", pass.why().c_str());
    view_.Beep();
    return false;
  }

  (void)node.Lock();
  plat::Outcome attrs = MoveAttrsToStash(node);
  if (!attrs) {
    RollBack(node, file, snapshot, s_.workingRecord->GetFTime(), CipherDirection::Code,
             "\n> Not coded", attrs);
  } else {
    view_.SetButtonLabel("DECODE THIS");
  }
  (void)node.Unlock();
  return attrs.ok();
}

plat::Outcome Engine::MoveAttrsToStash(plat::Node& node) {
  plat::NodeInfo info(&node);
  char prefApp[kAttrTextMax];
  bool hasPrefApp = false;
  RETURN_IF_FAILED(ReadText(node, plat::kPrefAppAttr, prefApp, &hasPrefApp));
  if (hasPrefApp) RETURN_IF_FAILED(WriteText(node, kPrefAppStashAttr, prefApp));
  RETURN_IF_FAILED(RemoveIfThere(node, plat::kPrefAppAttr));

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

bool Engine::DecodeFile(plat::Node& node, const std::string& file) {
  std::printf("MVW> Has   Codec-Attr. ! '%s' '%d'\n", s_.attrBuffer, 20);
  s_.fileRecord->DecodeLine(s_.attrBuffer, size_t(s_.attrSize));
  bool matches = PasswordMatches();
  if (!matches) {
    view_.SetPassText(" -wrong!- ");
    view_.MakePassFocus(true);
    view_.Beep();
  } else {
    view_.SetPassText("******");
  }
  if (!matches || !s_.passwordSet) return matches;

  AttrSnapshot snapshot;
  if (!CheckChangeable(node, file, &snapshot, "")) return false;
  plat::Outcome pass = DecodSim();
  if (!pass) {
    std::printf("> Not decoded, file left as it was: %s\n", pass.why().c_str());
    view_.Beep();
    return false;
  }

  (void)node.Lock();
  plat::Outcome attrs = MoveAttrsFromStash(node);
  if (!attrs) {
    RollBack(node, file, snapshot, s_.fileRecord->GetFTime(), CipherDirection::Decode,
             "> Not decoded", attrs);
  } else {
    std::printf("> Remo. Codec-Attr. !\n");
    view_.SetButtonLabel("CODE THIS");
  }
  (void)node.Unlock();
  return attrs.ok();
}

plat::Outcome Engine::MoveAttrsFromStash(plat::Node& node) {
  plat::NodeInfo info(&node);
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

bool Engine::PasswordMatches() {
  size_t typed = strnlen(s_.password, sizeof s_.password);
  return s_.fileRecord->PassLength() == typed &&
         std::memcmp(s_.fileRecord->NPass(), s_.password, typed) == 0;
}

bool Engine::CheckChangeable(plat::Node& node, const std::string& file, AttrSnapshot* snapshot,
                             const char* lead) {
  plat::Outcome check = CheckPassable(file);
  if (check) {
    plat::NodeInfo info(&node);
    if (info.InitCheck() != 0) check = plat::Outcome::Fail("can't reach its type and icons");
  }
  if (check) {
    check = snapshot->Take(node, {kPrivCodecAttr, kTypeStashAttr, kPrefAppStashAttr,
                                  kLargeIconStashAttr, kMiniIconStashAttr, plat::kTypeAttr,
                                  plat::kPrefAppAttr, plat::kLargeIconAttr, plat::kMiniIconAttr});
  }
  if (check) return true;
  std::printf("%s> Can't work on '%s', left as it was: %s\n", lead, file.c_str(),
              check.why().c_str());
  view_.Beep();
  return false;
}

void Engine::RollBack(plat::Node& node, const std::string& file, const AttrSnapshot& snapshot,
                      const char* timeCode, CipherDirection done, const char* lead,
                      const plat::Outcome& why) {
  // The bytes first: while they cannot be turned back, the attributes that say how they were
  // coded stay as they are.
  plat::Outcome bytes = RunContentPass(file, KeyOf(timeCode), Opposite(done));
  if (!bytes) {
    std::printf("%s: %s; turning the bytes back failed too: %s\n", lead, why.why().c_str(),
                bytes.why().c_str());
  } else {
    plat::Outcome attrs = snapshot.Restore(node);
    if (attrs) {
      std::printf("%s, file left as it was: %s\n", lead, why.why().c_str());
    } else {
      std::printf("%s: %s; putting the attributes back failed too: %s\n", lead, why.why().c_str(),
                  attrs.why().c_str());
    }
  }
  view_.Beep();
}
