#pragma once
// Which programs the user's desktop and file-manager entries of ours run. A start from a build
// folder writes them naming that folder's program; once the folder is deleted they would point
// at nothing. Each entry is read back as a start writes it: the program is taken out of its
// quoting and the entry written anew for that program must give the very same text, so an entry
// the user changed, or one of another program's, names nothing.
#include <string>
#include <vector>

namespace plat {

// How a program's path stands in one of the entries: the inverse of ShellWord (Nautilus's
// script), CommandWord (Thunar, Nemo) and ExecProgram (desktop entries, Dolphin). False when
// `word` is no such form; a true result still has to be checked by writing the entry again.
bool UnShellWord(const std::string& word, std::string* program);
bool UnCommandWord(const std::string& word, std::string* program);
bool UnExecProgram(const std::string& word, std::string* program);

}  // namespace plat

// The programs the user's entries run (the desktop entry, the Nautilus script, Dolphin's service
// menu, Nemo's action and the action in Thunar's uca.xml), each once, in that order. The desktop
// entry is read in the form this version writes and in the earlier one that listed
// application/octet-stream.
std::vector<std::string> ProgramsOfUserEntries();

// The desktop entries an earlier version wrote for `program`, which a start now takes back too.
std::vector<std::string> EarlierDesktopEntryTexts(const std::string& program);
