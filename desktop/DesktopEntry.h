#pragma once
// The freedesktop desktop entry of a program that opens files: how the desktop names it, runs it
// on the chosen files and knows which types it opens.
#include <string>
#include <vector>

namespace plat {

struct DesktopEntryFields {
  std::string name;                     // shown by the desktop
  std::string genericName;              // what kind of program it is (left out when empty)
  std::string comment;                  // a tooltip-length description (left out when empty)
  std::string program;                  // the executable, run with the files (%F)
  std::string iconName;                 // icon theme name
  std::vector<std::string> mimeTypes;   // the types it opens, the first its own
  std::vector<std::string> categories;  // menu categories (left out when none)
  std::vector<std::string> keywords;    // search words (left out when none)
  std::string wmClass;                  // the class of its window, StartupWMClass (when known)
  std::string signature;                // the program's own signature, kept as X-Signature
};

// The text of the entry, one key per line.
std::string DesktopEntryText(const DesktopEntryFields& fields);

// A string value with the desktop entry escapes (backslash, line break, tab).
std::string DesktopStringValue(const std::string& text);

// The program as the first words of an Exec= value: as it is when it holds only characters that
// need no quoting, else quoted as desktop entries want it. A path with a percent sign is handed
// to the shell instead (kShellStart, kShellExec, then the path, each percent sign doubled), as
// launchers look for the first word before they read "%%" as a percent sign.
std::string ExecProgram(const std::string& program);

// `sh -c 'exec "$0" "$@"' PROGRAM FILE...` runs PROGRAM on the files.
constexpr const char* kShellStart = "/bin/sh -c";
constexpr const char* kShellExec = "exec \"$0\" \"$@\"";

// `text` as one quoted argument of an Exec= value, each percent sign doubled.
std::string QuotedArgument(const std::string& text);

// The Exec= value: the program (ExecProgram), then %F.
std::string ExecLine(const std::string& program);

}  // namespace plat
