#pragma once
// The freedesktop desktop entry of a program that opens a file type: how the desktop names it,
// runs it on the chosen files and knows which types it opens.
#include <string>

namespace plat {

struct DesktopEntryFields {
  std::string name;       // shown by the desktop
  std::string program;    // the executable, run with the files (%F)
  std::string iconName;   // icon theme name
  std::string mimeType;   // the type it opens
  std::string signature;  // the program's own signature, kept as X-Signature
};

// The text of the entry, one key per line.
std::string DesktopEntryText(const DesktopEntryFields& fields);

// The Exec= value: the program quoted as desktop entries want it, then %F.
std::string ExecLine(const std::string& program);

}  // namespace plat
