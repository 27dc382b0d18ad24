#include "settings/DesktopSetup.h"

#include "platform/FileIO.h"
#include "platform/Paths.h"
#include "platform/ThunarActions.h"
#include "settings/AppIcon.h"

plat::DesktopEntryFields ProgramDesktopEntry(const std::string& program) {
  plat::DesktopEntryFields entry;
  entry.name = "Murvel";
  entry.genericName = "File Scrambler";
  entry.comment = "Hide a file's contents behind a password, and bring them back";
  entry.program = program;
  entry.iconName = kAppIconName;
  entry.mimeTypes = {"text/x-CodedData", "application/octet-stream"};
  entry.categories = {"Utility", "FileTools"};
  entry.keywords = {"password", "scramble", "hide", "code", "decode"};
  entry.wmClass = "murvel";
  entry.signature = "application/x-vnd.Telva-Murvel";
  return entry;
}

plat::FileAction ProgramFileAction(const std::string& program) {
  return {kAppIconName, "Code or decode with Murvel",
          "Open the file in Murvel to code or decode it with a password", kAppIconName, program};
}

plat::Outcome InstallDesktopFiles(const std::string& program) {
  std::string data;
  if (!plat::FindUserDataDirectory(&data))
    return plat::Outcome::Fail("no user data folder (XDG_DATA_HOME, HOME)");
  plat::Outcome first = plat::Outcome::Ok();
  auto note = [&first](plat::Outcome o) {
    if (first.ok() && !o.ok()) first = std::move(o);
  };
  const std::string icons = data + "/icons/hicolor/";
  note(plat::WriteFileIfDifferent(icons + "scalable/apps/" + kAppIconName + ".svg",
                                  std::string(AppIconSvg()), 0644));
  note(plat::WriteFileIfDifferent(icons + "48x48/apps/" + kAppIconName + ".png",
                                  std::string(AppIconPng48()), 0644));
  const plat::FileAction action = ProgramFileAction(program);
  note(plat::InstallFileManagerActions(action));
  note(plat::InstallThunarAction(action));
  return first;
}
