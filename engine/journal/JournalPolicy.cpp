#include "engine/journal/JournalPolicy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "engine/journal/ChangeMarker.h"
#include "platform/FileCalls.h"
#include "platform/Paths.h"

namespace {

// Hidden, so that a file manager shows it no more than it must.
constexpr const char* kJournalPrefix = ".murvel-journal-";
constexpr size_t kUniqueChars = 6;  // mkostemp's "XXXXXX"
// Before the first flush. mkostemp's letters and digits never make "new-".
constexpr const char* kUnflushed = "new-";

std::string Joined(const std::string& folder, const std::string& leaf) {
  return folder.empty() || folder.back() == '/' ? folder + leaf : folder + "/" + leaf;
}

}  // namespace

bool IsJournalName(const std::string& leafOrPath) {
  return plat::LeafOf(leafOrPath).rfind(kJournalPrefix, 0) == 0;
}

std::string JournalNamePattern() {
  return std::string(kJournalPrefix) + "*";
}

std::string NewJournalTemplate(const std::string& folder) {
  return Joined(folder, kJournalPrefix) + kUnflushed + std::string(kUniqueChars, 'X');
}

std::string FlushedJournalName(const std::string& unflushed) {
  const std::string leaf = plat::LeafOf(unflushed);
  return unflushed.substr(0, unflushed.size() - leaf.size()) + kJournalPrefix +
         leaf.substr(std::strlen(kJournalPrefix) + std::strlen(kUnflushed));
}

bool IsUnflushedJournalName(const std::string& leafOrPath) {
  return plat::LeafOf(leafOrPath).rfind(std::string(kJournalPrefix) + kUnflushed, 0) == 0;
}

std::vector<std::string> JournalsIn(const std::string& folder) {
  std::vector<std::string> names, journals;
  if (plat::Files().ListNames(folder, &names) < 0) return journals;
  for (const std::string& name : names)
    if (IsJournalName(name)) journals.push_back(Joined(folder, name));
  return journals;
}

std::string JournalFolder(const std::string& folder) {
  const size_t name = 1 + std::strlen(kJournalPrefix) + kUniqueChars;  // once flushed
  if (!folder.empty() && folder[0] == '/' && folder.size() + name <= kMarkerJournalMax)
    return folder;
  std::string state = StateFolder();
  return state.size() + name <= kMarkerJournalMax ? state : std::string();
}

std::string StateFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  std::string base;
  if (state && *state == '/') {
    base = state;
  } else {
    // A relative path would name the journals from wherever the program runs, which no marker
    // can be read by.
    const char* home = std::getenv("HOME");
    if (!home || *home != '/') return {};
    base = std::string(home) + "/.local/state";
  }
  std::string folder = base + "/murvel";
  if (!plat::MakeFolderTree(folder)) return {};
  // Journals say what is to be done to files: they go only in a folder of the user's own that no
  // one else may write, where nobody could remove them or put another in their place. Another
  // user's folder (root run with that user's HOME) is neither used nor changed.
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return {};
  if ((st.st_mode & 077) != 0 && chmod(folder.c_str(), 0700) != 0) return {};
  return folder;
}
