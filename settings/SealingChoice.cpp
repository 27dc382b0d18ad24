#include "settings/SealingChoice.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/FileIO.h"
#include "platform/Paths.h"
#include "settings/Settings.h"
#include "settings/SettingsEntry.h"

namespace {

constexpr char kSeal[] = "seal\n";
constexpr char kCode[] = "code\n";

}  // namespace

bool LoadSealingChoice() {
  std::string path;
  if (!SettingsFilePath(kSealingChoiceName, false, &path)) return false;
  uint8_t buf[sizeof kSeal] = {};
  size_t got = 0;
  if (!ReadSettingsBytes(path, buf, sizeof buf, &got)) return false;
  // Exactly the word and its line end: a longer or other file is no choice of ours.
  return got == std::strlen(kSeal) && std::memcmp(buf, kSeal, got) == 0;
}

plat::Outcome SaveSealingChoice(bool sealing) {
  std::string path;
  plat::Outcome found = SettingsFilePath(kSealingChoiceName, true, &path);
  if (!found) return found;
  // The settings folder is made at every start; a window started without it makes it here.
  const std::string folder = plat::ParentOf(path);
  if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
    return plat::Outcome::Fail("cannot make '" + folder + "': " + std::strerror(errno));
  std::string entry;
  plat::Outcome allowed = SettingsEntry(path, &entry);
  if (!allowed) return allowed;
  const char* text = sealing ? kSeal : kCode;
  return plat::WriteFileAtomically(path, text, std::strlen(text), 0644, entry != path);
}
