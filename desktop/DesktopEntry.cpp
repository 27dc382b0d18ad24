#include "desktop/DesktopEntry.h"

#include <cstring>

namespace plat {
namespace {

// A line break or tab inside a value is written as its escape, so that a value never breaks
// the entry into further keys.
bool AppendEscapedControl(char c, std::string* out) {
  const char* escape = c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : nullptr;
  if (escape) *out += escape;
  return escape != nullptr;
}

// "a;b;" for a list value; a ';' inside an item is escaped.
std::string ListValue(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) {
    for (char c : DesktopStringValue(item)) out += c == ';' ? "\\;" : std::string(1, c);
    out += ';';
  }
  return out;
}

// Characters an Exec argument may hold without quotes: the reserved ones (blanks, quotes,
// backslash, the shell's operators and wildcards) and control characters need them.
bool NeedsQuotes(const std::string& program) {
  if (program.empty()) return true;
  for (unsigned char c : program)
    if (c < 0x20 || c == 0x7f || std::strchr(" \t\"'\\><~|&;$*?#()`", c)) return true;
  return false;
}

}  // namespace

std::string DesktopStringValue(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (!AppendEscapedControl(c, &out))
      out += c;
  }
  return out;
}

// Inside the quotes a double quote, backquote, dollar or backslash takes a backslash; the
// value's own string escaping then doubles every backslash, so a dollar is written as two
// backslashes and the dollar, a backslash as four backslashes. A percent sign is doubled.
std::string QuotedArgument(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') {
      quoted += "\\\\";
      quoted += c == '\\' ? "\\\\" : std::string(1, c);
    } else if (c == '%') {
      quoted += "%%";
    } else if (!AppendEscapedControl(c, &quoted)) {
      quoted += c;
    }
  }
  return quoted + "\"";
}

// A program whose path holds a percent sign is started through the shell, its path an argument:
// GLib looks for the first word of Exec before it turns "%%" into "%", so the path itself cannot
// come first.
std::string ExecProgram(const std::string& program) {
  if (program.find('%') != std::string::npos)
    return std::string(kShellStart) + " " + QuotedArgument(kShellExec) + " " +
           QuotedArgument(program);
  return NeedsQuotes(program) ? QuotedArgument(program) : program;
}

std::string ExecLine(const std::string& program) {
  return ExecProgram(program) + " %F";
}

std::string DesktopEntryText(const DesktopEntryFields& f) {
  std::string text =
      "[Desktop Entry]\nType=Application\nVersion=1.4\nName=" + DesktopStringValue(f.name) + "\n";
  if (!f.genericName.empty()) text += "GenericName=" + DesktopStringValue(f.genericName) + "\n";
  if (!f.comment.empty()) text += "Comment=" + DesktopStringValue(f.comment) + "\n";
  text += "Exec=" + ExecLine(f.program) + "\nIcon=" + f.iconName + "\nTerminal=false\n";
  if (!f.categories.empty()) text += "Categories=" + ListValue(f.categories) + "\n";
  if (!f.keywords.empty()) text += "Keywords=" + ListValue(f.keywords) + "\n";
  text += "MimeType=" + ListValue(f.mimeTypes) + "\n";
  if (!f.wmClass.empty()) text += "StartupWMClass=" + DesktopStringValue(f.wmClass) + "\n";
  if (!f.signature.empty()) text += "X-Signature=" + DesktopStringValue(f.signature) + "\n";
  return text;
}

}  // namespace plat
