// The coding transaction: a plain file coded (record, bytes, stashes, type, icons) or a coded
// file decoded after the password check. Every step is checked; a file that cannot be changed is
// refused before anything is touched, and a step that fails halfway puts the file back as it
// was, bytes and attributes.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/AttrNames.h"
#include "engine/DeferredSignals.h"
#include "engine/Engine.h"
#include "platform/NodeInfo.h"
#include "platform/Paths.h"

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
  // The file is locked before its record is read, so that two programs working on it at once
  // cannot both find it plain and code it twice, one key lost. A file that cannot be opened for
  // the lock is worked on without it; the content pass says why when it cannot be changed.
  if (node.Lock() == -EWOULDBLOCK) {
    std::printf("> Not worked on: another program has '%s' locked\n", file.c_str());
    view_.Beep();
    return false;
  }

  ssize_t r = node.ReadAttr(kPrivCodecAttr, plat::B_RAW_TYPE, 0, s_.attrBuffer, kPrivCodecReadMax);
  s_.attrSize = int32_t(r);
  s_.attrBuffer[r > 0 ? r : 0] = '\0';
  const bool coded = r >= kPrivCodecMinBytes;
  if (expectCoded_ && *expectCoded_ != coded) {
    std::printf("> Not worked on: '%s' was %s meanwhile\n", file.c_str(),
                coded ? "coded" : "decoded");
    view_.Beep();
    return false;
  }
  bool result = coded ? DecodeFile(node, file) : CodeFile(node, file);

  int synced = node.Sync();
  if (synced != 0) std::printf("> Sync failed: %s\n", std::strerror(-synced));
  return result;
}

bool Engine::CodeFile(plat::Node& node, const std::string& file) {
  std::printf("\n> NO  Codec-Attr.!-> CODING:");
  if (!s_.passwordSet) return true;

  // A fresh time code, which keys the bytes and goes into the record.
  s_.workingRecord->GenerateC(plat::LeafOf(s_.currentPath).c_str(), s_.password);
  // The coding line above has no line end of its own.
  if (!ChangeFile(node, file, CipherDirection::Code, "\n> Not coded")) return false;
  view_.SetButtonLabel("DECODE THIS");
  return true;
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

  if (!ChangeFile(node, file, CipherDirection::Decode, "> Not decoded")) return false;
  std::printf("> Remo. Codec-Attr. !\n");
  view_.SetButtonLabel("CODE THIS");
  return true;
}

bool Engine::ChangeFile(plat::Node& node, const std::string& file, CipherDirection dir,
                        const char* lead) {
  // What the attribute steps may touch, as it was, to put back if one of them fails. A file
  // whose attributes cannot be read is not changed; nor is one that cannot be opened for
  // writing, which the content pass finds before it changes anything.
  AttrSnapshot snapshot;
  plat::Outcome ready =
      snapshot.Take(node, {kPrivCodecAttr, kTypeStashAttr, kPrefAppStashAttr, kLargeIconStashAttr,
                           kMiniIconStashAttr, plat::kTypeAttr, plat::kPrefAppAttr,
                           plat::kLargeIconAttr, plat::kMiniIconAttr});
  if (!ready) return Refuse(lead, ready);
  // From the first changed byte to the last attribute step, nothing but a kill ends the program.
  DeferredSignals deferred;
  plat::Outcome pass = dir == CipherDirection::Code ? CodSim() : DecodSim();
  if (!pass) return Refuse(lead, pass);

  (void)node.Lock();
  plat::Outcome attrs =
      dir == CipherDirection::Code ? MoveAttrsToStash(node) : MoveAttrsFromStash(node);
  if (!attrs) {
    const char* timeCode =
        dir == CipherDirection::Code ? s_.workingRecord->GetFTime() : s_.fileRecord->GetFTime();
    RollBack(node, file, snapshot, timeCode, dir, lead, attrs);
  }
  (void)node.Unlock();
  return attrs.ok();
}

bool Engine::PasswordMatches() {
  size_t typed = strnlen(s_.password, sizeof s_.password);
  return s_.fileRecord->PassLength() == typed &&
         std::memcmp(s_.fileRecord->NPass(), s_.password, typed) == 0;
}

bool Engine::Refuse(const char* lead, const plat::Outcome& why) {
  std::printf("%s: %s\n", lead, why.why().c_str());
  view_.Beep();
  return false;
}

void Engine::RollBack(plat::Node& node, const std::string& file, const AttrSnapshot& snapshot,
                      const char* timeCode, CipherDirection done, const char* lead,
                      const plat::Outcome& why) {
  // The bytes first: while they cannot be turned back, the attributes that say how they were
  // coded stay as they are.
  plat::Outcome bytes =
      RunContentPass(file, reinterpret_cast<const uint8_t*>(timeCode), Opposite(done));
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
