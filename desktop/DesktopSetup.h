#pragma once
// How the program presents itself to the desktop, and the files that say so in the user's data
// folder beside the coded-file type: the program's icon in the hicolor theme and the
// file-manager entries "Code or decode with Murvel" (Nautilus, Dolphin, Nemo, Thunar). The
// installed package carries the same files for every user (dist/), with "murvel" as the program.
#include <string>
#include <vector>

#include "desktop/DesktopEntry.h"
#include "desktop/FileManagerActions.h"
#include "desktop/MimeType.h"
#include "platform/Outcome.h"
#include "platform/Program.h"

// The program's icon name in the icon theme, the same as its desktop id without ".desktop".
constexpr const char* kAppIconName = plat::kProgramId;

// The program's desktop entry, running `program`. It lists the program's own types only, coded
// and sealed files: a type every file is a kind of (application/octet-stream) would make the
// program the desktop's default for any file of unknown type. The file-manager entries offer it
// for any file instead.
plat::DesktopEntryFields ProgramDesktopEntry(const std::string& program);

// The file-manager entry that opens the chosen file in the window running `program`.
plat::FileAction ProgramFileAction(const std::string& program);
// All the program's file-manager entries: that one, "Seal with Murvel" (the window with sealing
// chosen, murvel --seal) and "Unseal with Murvel" (the window, which unseals a sealed file). Each
// is offered for every file: no file manager tells a sealed file's type, which lives in its
// attribute only.
std::vector<plat::FileAction> ProgramFileActions(const std::string& program);

// Installs the program's icon ($XDG_DATA_HOME/icons/hicolor/{scalable,48x48}/apps) and the
// file-manager entries for `program`. Every step is tried; the outcome names the first failure.
plat::Outcome InstallDesktopFiles(const std::string& program);

// For a program installed for the system, which finds all of the above there: removes what a
// start of `program` wrote into the user's folders before, the types' files (`types`, set up as
// a start sets them up), the icons and every file-manager entry, each only where it still reads
// as written (the desktop entry also as an earlier version wrote it); then rebuilds the user's
// caches that indexed them. `removed`, when given, gets the path of each file removed, and of
// Thunar's uca.xml when the action was taken out of it. Every step is tried; the outcome names
// the first failure.
plat::Outcome RemoveOwnDesktopFiles(const std::vector<plat::MimeType>& types,
                                    const std::string& program,
                                    std::vector<std::string>* removed = nullptr);
