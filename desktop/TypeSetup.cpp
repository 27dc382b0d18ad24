#include "desktop/TypeSetup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "desktop/CodecFolder.h"
#include "desktop/DesktopSetup.h"
#include "desktop/Installation.h"
#include "desktop/MimeType.h"
#include "desktop/ProgramIcons.h"
#include "platform/Bitmap.h"
#include "platform/ContentType.h"
#include "platform/Directory.h"
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

}  // namespace

plat::MimeType CodedDataType(const std::string& program) {
  plat::Bitmap large(32, 32);
  plat::Bitmap mini(16, 16);
  large.SetBits(DataBBits, sizeof DataBBits);
  mini.SetBits(DataLBits, sizeof DataLBits);
  plat::MimeType type(kCodedDataType);
  type.SetShortDescription("CodedData");
  type.SetLongDescription("Vestrine Data-Container");
  type.SetIcon(large, plat::IconSize::Large);
  type.SetIcon(mini, plat::IconSize::Mini);
  type.SetPreferredApp(kAppSignature);
  type.SetAppEntry(ProgramDesktopEntry(program));
  return type;
}

plat::MimeType SealedDataType(const std::string& program) {
  plat::Bitmap large(32, 32);
  plat::Bitmap mini(16, 16);
  large.SetBits(DataBBits, sizeof DataBBits);
  mini.SetBits(DataLBits, sizeof DataLBits);
  plat::MimeType type(kSealedDataType);
  type.SetShortDescription("Sealed");
  type.SetLongDescription("Murvel sealed file");
  type.SetIcon(large, plat::IconSize::Large);
  type.SetIcon(mini, plat::IconSize::Mini);
  type.SetPreferredApp(kAppSignature);
  type.SetAppEntry(ProgramDesktopEntry(program));
  return type;
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

  const std::string program = OpeningProgram();
  const std::vector<plat::MimeType> types = {CodedDataType(program), SealedDataType(program)};
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
