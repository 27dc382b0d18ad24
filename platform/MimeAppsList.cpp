#include "platform/MimeAppsList.h"

#include <sstream>
#include <vector>

namespace plat {
namespace {

constexpr const char* kDefaultSection = "[Default Applications]";

std::string Trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

bool IsSectionHeader(const std::string& trimmed) {
  return !trimmed.empty() && trimmed[0] == '[';
}

// True when the trimmed line is an entry "<type>=...".
bool IsEntryOf(const std::string& trimmed, const std::string& type) {
  const size_t eq = trimmed.find('=');
  return eq != std::string::npos && Trimmed(trimmed.substr(0, eq)) == type;
}

}  // namespace

std::string WithDefaultApp(const std::string& list, const std::string& type,
                           const std::string& desktopId) {
  std::vector<std::string> lines = Lines(list);
  const std::string entry = type + "=" + desktopId + ";";
  bool inSection = false;
  bool haveSection = false;
  bool done = false;
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    const std::string t = Trimmed(lines[i]);
    if (IsSectionHeader(t)) {
      // Leaving our section without having met the type: the entry goes at its end.
      if (inSection) {
        lines.insert(lines.begin() + long(i), entry);
        done = true;
      }
      inSection = t == kDefaultSection;
      haveSection = haveSection || inSection;
    } else if (inSection && IsEntryOf(t, type)) {
      lines[i] = entry;
      done = true;
    }
  }
  if (!done) {
    if (!haveSection) {
      if (!lines.empty() && !Trimmed(lines.back()).empty()) lines.push_back("");
      lines.push_back(kDefaultSection);
    }
    lines.push_back(entry);
  }
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

bool DefaultAppOf(const std::string& list, const std::string& type, std::string* desktopId) {
  bool inSection = false;
  for (const std::string& line : Lines(list)) {
    const std::string t = Trimmed(line);
    if (IsSectionHeader(t)) {
      inSection = t == kDefaultSection;
    } else if (inSection && IsEntryOf(t, type)) {
      const std::string ids = Trimmed(t.substr(t.find('=') + 1));
      if (desktopId) *desktopId = Trimmed(ids.substr(0, ids.find(';')));
      return true;
    }
  }
  return false;
}

}  // namespace plat
