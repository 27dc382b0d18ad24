#pragma once
// Context-menu entries that hand the chosen file to a program, in the forms the file managers of
// Linux desktops read from a data folder ($XDG_DATA_HOME for one user, /usr/share for all):
//   nautilus/scripts/<label>            Nautilus (GNOME Files): an executable script, run with
//                                       the chosen files as arguments; listed under Scripts
//   kio/servicemenus/<id>.desktop       Dolphin (KDE): a service menu offering one action
//   nemo/actions/<id>.nemo_action       Nemo (Cinnamon): an action for a single chosen file
// Thunar keeps its actions in one file of the user's instead (ThunarActions.h).
#include <string>
#include <vector>

#include "platform/Outcome.h"

namespace plat {

struct FileAction {
  std::string id;           // names the files: "x-vnd.Telva-Murvel"
  std::string label;        // the menu text
  std::string description;  // the tooltip
  std::string iconName;     // an icon theme name
  std::string program;      // run with the one chosen file as its argument
  std::string option;       // an option before the file ("--seal"); none when empty
};

// One file of an action: where it goes below a data folder, what it holds, its permission bits.
struct ActionFile {
  std::string relativePath;
  std::string text;
  unsigned mode;
};

// The three files above for `action`.
std::vector<ActionFile> FileManagerActionFiles(const FileAction& action);

// `text` as one word of a POSIX shell command line: as it is when it holds only characters the
// shell takes literally, else in single quotes.
std::string ShellWord(const std::string& text);

// The program as the first words of a file manager's command line (Thunar's, Nemo's), which
// takes "%f" and the like as the chosen files and "%%" as a percent sign: its ShellWord, each
// percent sign doubled; a path with a percent sign is handed to the shell, as ExecProgram does.
std::string CommandWord(const std::string& program);

// Writes the files into the user's data folder. A file that a system data folder
// ($XDG_DATA_DIRS) already provides under the same path is not written: the system install's
// copy is in charge there, and a second one would show the entry twice in some file managers.
// Every file is tried; the outcome names the first that failed.
Outcome InstallFileManagerActions(const FileAction& action);

}  // namespace plat
