#include "desktop/TypeSetup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "desktop/CodecFolder.h"
#include "desktop/DesktopSetup.h"
#include "desktop/EntryPrograms.h"
#include "desktop/Installation.h"
#include "desktop/MimeAppsList.h"
#include "desktop/MimeType.h"
#include "desktop/ProgramIcons.h"
#include "platform/Bitmap.h"
#include "platform/ContentType.h"
#include "platform/Directory.h"
#include "platform/FileIO.h"
#include "platform/ImageFile.h"
#include "platform/Paths.h"
#include "settings/Settings.h"

namespace {

// The folder when it opens, else made with mode 0755. True when it had to be made (or tried).
bool EnsureFolder(const std::string& path) {
  plat::Directory dir(path);
  if (dir.InitCheck() == 0) return false;
  mkdir(path.c_str(), 0755);
  return true;
}

// The program that opens coded files: the window program "murvel" beside the running
// executable (the command-line tool shares its folder), else the running executable itself.
std::string OpeningProgram() {
  const std::string exe = plat::AppExecutablePath();
  if (exe.empty()) return exe;
  const std::string window = plat::ParentOf(exe) + "/murvel";
  return access(window.c_str(), X_OK) == 0 ? window : exe;
}

// A program that an entry names and that is no longer there. A path that cannot be looked at for
// another reason (a folder without the search right) is not taken for gone.
bool ProgramIsGone(const std::string& program) {
  struct stat st;
  return !program.empty() && program[0] == '/' && stat(program.c_str(), &st) != 0 &&
         (errno == ENOENT || errno == ENOTDIR);
}

}  // namespace

plat::Outcome RemoveEntriesOfGonePrograms(std::vector<std::string>* gone) {
  plat::Outcome first = plat::Outcome::Ok();
  const std::string self = OpeningProgram();
  for (const std::string& program : ProgramsOfUserEntries()) {
    if (program == self || !ProgramIsGone(program)) continue;
    plat::Outcome removed = RemoveOwnDesktopFiles(OwnTypes(program), program);
    if (first.ok() && !removed.ok()) first = removed;
    gone->push_back(program);
  }
  return first;
}

plat::Outcome RemoveUserDesktopFiles(std::vector<std::string>* removed) {
  std::vector<std::string> programs = ProgramsOfUserEntries();
  const std::string self = OpeningProgram();
  if (!self.empty() && std::find(programs.begin(), programs.end(), self) == programs.end())
    programs.push_back(self);
  plat::Outcome first = plat::Outcome::Ok();
  auto note = [&first](plat::Outcome o) {
    if (first.ok() && !o.ok()) first = std::move(o);
  };
  for (const std::string& program : programs)
    note(RemoveOwnDesktopFiles(OwnTypes(program), program, removed));

  // Our default-application line; a list left as a start made it from nothing goes (a link to a
  // list kept elsewhere stays, emptied of our line).
  const std::string listPath = plat::MimeType::MimeAppsListPath();
  std::string list;
  if (listPath.empty() || !plat::ReadWholeFile(listPath, &list).ok()) return first;
  const std::string ours = plat::MimeType::DesktopId(kAppSignature);
  const std::string rest = plat::WithoutDefaultApp(
      plat::WithoutDefaultApp(list, kCodedDataType, ours), kSealedDataType, ours);
  if (rest == list) return first;
  struct stat st;
  const mode_t mode = stat(listPath.c_str(), &st) == 0 ? st.st_mode & 07777 : 0644;
  struct stat entry;
  const bool plainFile = lstat(listPath.c_str(), &entry) == 0 && S_ISREG(entry.st_mode);
  if (plainFile && rest == "[Default Applications]\n")
    note(unlink(listPath.c_str()) == 0
             ? plat::Outcome::Ok()
             : plat::Outcome::Fail("cannot remove '" + listPath + "': " + std::strerror(errno)));
  else
    note(plat::WriteFileIfDifferent(listPath, rest, mode));
  if (first.ok()) removed->push_back(listPath);
  return first;
}

namespace {

// One of the program's own types: the coded file's icons, opened by `program`.
plat::MimeType OwnType(const char* name, const char* shortDescription, const char* longDescription,
                       const std::string& program) {
  plat::Bitmap large(32, 32);
  plat::Bitmap mini(16, 16);
  large.SetBits(DataBBits, sizeof DataBBits);
  mini.SetBits(DataLBits, sizeof DataLBits);
  plat::MimeType type(name);
  type.SetShortDescription(shortDescription);
  type.SetLongDescription(longDescription);
  type.SetIcon(large, plat::IconSize::Large);
  type.SetIcon(mini, plat::IconSize::Mini);
  type.SetPreferredApp(kAppSignature);
  type.SetAppEntry(ProgramDesktopEntry(program));
  return type;
}

}  // namespace

plat::MimeType CodedDataType(const std::string& program) {
  return OwnType(kCodedDataType, "CodedData", "Vestrine Data-Container", program);
}

plat::MimeType SealedDataType(const std::string& program) {
  return OwnType(kSealedDataType, "Sealed", "Murvel sealed file", program);
}

std::vector<plat::MimeType> OwnTypes(const std::string& program) {
  return {CodedDataType(program), SealedDataType(program)};
}

void CheckNeededDefs() {
  GetPath2APP();
  const CodecFolder codec = EnsureCodecFolder(path2scan);
  if (codec.path.size() < sizeof path2scan)
    std::memcpy(path2scan, codec.path.c_str(), codec.path.size() + 1);
  else
    printf("codec-Dir path too long: '%s'\n", codec.path.c_str());
  // The usual place, beside the program, goes without saying; any other is named.
  if (!codec.beside) printf("codec-Dir: '%s'\n", codec.path.c_str());
  if (codec.created) printf("Created  codec-Dir !\n");
  if (!codec.why.empty())
    printf("Can't create codec-Dir '%s': %s\n", codec.path.c_str(), codec.why.c_str());

  std::string settings;
  if (plat::FindUserSettingsDirectory(&settings, true)) {
    settings += "/";
    settings += kSettingsFolderName;
    if (EnsureFolder(settings)) printf("Created  SettingsDir !\n");
  } else {
    printf("No user settings folder (XDG_CONFIG_HOME, HOME)\n");
  }

  // Entries of a program deleted since (a build folder removed) would show the desktop a program
  // that is not there.
  std::vector<std::string> gone;
  plat::Outcome cleared = RemoveEntriesOfGonePrograms(&gone);
  for (const std::string& program : gone)
    printf("Removed the desktop entries of '%s', which is gone\n", program.c_str());
  if (!cleared) printf("Can't remove the desktop entries: %s\n", cleared.why().c_str());

  const std::string program = OpeningProgram();
  const std::vector<plat::MimeType> types = OwnTypes(program);
  if (IsInstalledProgramFolder(plat::ParentOf(program))) {
    // The system's folders hold all of it for every user, and lose it with the package; copies
    // in the user's folders would be shown beside it and outlive it, so earlier ones go.
    plat::Outcome removed = RemoveOwnDesktopFiles(types, program);
    if (!removed) printf("Can't remove the earlier desktop files: %s\n", removed.why().c_str());
  } else {
    for (plat::MimeType type : types) {
      plat::Outcome installed = type.Install();
      // A type that could not be installed only costs the desktop its icons and the
      // double-click; the program works on, but the user learns why.
      if (!installed)
        printf("Can't install %s: %s\n", type.Type().c_str(), installed.why().c_str());
    }
    plat::Outcome desktop = InstallDesktopFiles(program);
    if (!desktop) printf("Can't install the desktop files: %s\n", desktop.why().c_str());
  }

  std::this_thread::sleep_for(std::chrono::microseconds(20000));
  printf("->done\n");
}

bool IsNodeTypeOk(const char* path, const char* pattern) {
  if (!path || !pattern) return false;
  std::string type = plat::ContentTypeOf(path);
  if (type.empty()) return false;
  return std::strstr(type.c_str(), pattern) != nullptr;
}

std::unique_ptr<QImage> GetImage(const char* path) {
  if (!path || !*path) return nullptr;
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  close(fd);
  if (!regular) return nullptr;

  auto image = std::make_unique<QImage>();
  if (!plat::LoadImageFile(path, image.get())) {
    printf(
        "\xC2\xA0"
        "can't translate '%s'\n",
        path);
    return nullptr;
  }
  return image;
}
