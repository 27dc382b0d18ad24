#pragma once
// Start-up set-up of the program's surroundings: the codec folder (CodecFolder.h), the settings
// folder, the file types of coded files ("text/x-CodedData") and of sealed ones
// ("application/x-murvel-sealed") with their descriptions, icons and the program as the
// application that opens them, and the program's icon and file-manager entries
// (DesktopSetup.h). Also the two helpers with which the window finds and loads its optional
// background image.
#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "codec/CodedFile.h"
#include "desktop/MimeType.h"
#include "platform/Program.h"

// Makes the codec folder and the settings folder when missing (mode 0755), each with the line
// "Created  codec-Dir !" or "Created  SettingsDir !" when it was made; a codec folder elsewhere
// than beside the program is named ("codec-Dir: '<path>'"), one that cannot be made says why.
// Then installs the coded-file type and the desktop files for the user, or, for a program
// installed for the system (Installation.h), removes the copies an earlier start wrote there;
// before either, removes the entries of programs that are gone, a line naming each; prints
// "->done" at the end.
void CheckNeededDefs();

// Removes what starts of programs that are gone (a build folder deleted since) wrote into the
// user's folders: the entries that run them, the type's files and the icons, each only where it
// still reads as written (RemoveOwnDesktopFiles). `gone` gets each such program. Every program
// is tried; the outcome names the first failure.
plat::Outcome RemoveEntriesOfGonePrograms(std::vector<std::string>* gone);

// Removes everything a start wrote into the user's folders, for this program and for every
// program the entries run, gone or not, and our default-application line in mimeapps.list: what
// `murvel --remove-desktop-files` does. The codec folder and the settings are the user's and
// stay. `removed` gets the path of each file removed or changed.
plat::Outcome RemoveUserDesktopFiles(std::vector<std::string>* removed);

// The coded-file type as a start installs it, opened by `program`.
plat::MimeType CodedDataType(const std::string& program);
// The sealed-file type ("application/x-murvel-sealed") likewise: the coded type's icons, opened
// by the same program (whose window tells a sealed file apart).
plat::MimeType SealedDataType(const std::string& program);
// Both, as a start installs them and a removal takes them back.
std::vector<plat::MimeType> OwnTypes(const std::string& program);

// True when the MIME type of the file at `path` (its stored type, else the one its contents
// suggest) contains `pattern`, case-sensitively. False for a missing file.
bool IsNodeTypeOk(const char* path, const char* pattern);

// Loads the image file at `path`. Null when the file cannot be read (silently) or not decoded (with
// a line on standard output).
std::unique_ptr<QImage> GetImage(const char* path);

// The program's signature, as installed (the coded-file type is in codec/CodedFile.h).
constexpr const char* kAppSignature = plat::kProgramSignature;
