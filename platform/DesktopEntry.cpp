#include "platform/DesktopEntry.h"

namespace plat {
namespace {

// A line break or tab inside a value is written as its escape, so that a value never breaks
// the entry into further keys.
bool AppendEscapedControl(char c, std::string* out) {
  const char* escape = c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : nullptr;
  if (escape) *out += escape;
  return escape != nullptr;
}

std::string StringValue(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (!AppendEscapedControl(c, &out))
      out += c;
  }
  return out;
}

}  // namespace

// Inside the quotes a double quote, backquote, dollar or backslash takes a backslash; the
// value's own string escaping then doubles every backslash, so a dollar is written as two
// backslashes and the dollar, a backslash as four backslashes. A percent sign is doubled.
std::string ExecLine(const std::string& program) {
  std::string quoted = "\"";
  for (char c : program) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') {
      quoted += "\\\\";
      quoted += c == '\\' ? "\\\\" : std::string(1, c);
    } else if (c == '%') {
      quoted += "%%";
    } else if (!AppendEscapedControl(c, &quoted)) {
      quoted += c;
    }
  }
  return quoted + "\" %F";
}

std::string DesktopEntryText(const DesktopEntryFields& f) {
  return "[Desktop Entry]\nType=Application\nVersion=1.0\nName=" + StringValue(f.name) +
         "\nExec=" + ExecLine(f.program) + "\nIcon=" + f.iconName +
         "\nTerminal=false\nMimeType=" + f.mimeType + ";\nX-Signature=" + f.signature + "\n";
}

}  // namespace plat
