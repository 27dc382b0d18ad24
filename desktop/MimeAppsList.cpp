#include "desktop/MimeAppsList.h"

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

// Where a new entry of the first default section goes: just after the section's last line that
// is neither blank nor a comment (its header when it has none), so that the blank lines before
// the next section stay where they are. npos when the list has no such section.
size_t InsertionPoint(const std::string& list) {
  size_t at = std::string::npos;
  bool inSection = false;
  size_t pos = 0;
  while (pos < list.size()) {
    size_t end = list.find('\n', pos);
    const size_t next = end == std::string::npos ? list.size() : end + 1;
    const std::string t =
        Trimmed(list.substr(pos, next - pos - (end == std::string::npos ? 0 : 1)));
    if (IsSectionHeader(t)) {
      if (inSection) return at;
      inSection = t == kDefaultSection;
      if (inSection) at = next;
    } else if (inSection && !t.empty() && t[0] != '#') {
      at = next;
    }
    pos = next;
  }
  return at;
}

}  // namespace

std::string WithDefaultAppIfUnset(const std::string& list, const std::string& type,
                                  const std::string& desktopId) {
  if (DefaultAppOf(list, type, nullptr)) return list;
  const std::string entry = type + "=" + desktopId + ";\n";
  const size_t at = InsertionPoint(list);
  if (at != std::string::npos) {
    // A last line without its line end gets one, so that ours starts a line of its own.
    const std::string lead = at > 0 && list[at - 1] != '\n' ? "\n" : "";
    return list.substr(0, at) + lead + entry + list.substr(at);
  }
  std::string out = list;
  if (!out.empty() && out.back() != '\n') out += '\n';
  if (out.size() >= 2 && out[out.size() - 2] != '\n') out += '\n';
  return out + kDefaultSection + "\n" + entry;
}

std::string WithoutDefaultApp(const std::string& list, const std::string& type,
                              const std::string& desktopId) {
  const std::string ours = type + "=" + desktopId + ";";
  std::string out;
  bool inSection = false;
  size_t pos = 0;
  while (pos < list.size()) {
    const size_t end = list.find('\n', pos);
    const size_t next = end == std::string::npos ? list.size() : end + 1;
    const std::string t =
        Trimmed(list.substr(pos, next - pos - (end == std::string::npos ? 0 : 1)));
    if (IsSectionHeader(t)) inSection = t == kDefaultSection;
    if (!(inSection && t == ours)) out += list.substr(pos, next - pos);
    pos = next;
  }
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
