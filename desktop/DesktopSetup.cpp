#include "desktop/DesktopSetup.h"

#include "codec/CodedFile.h"
#include "desktop/AppIcon.h"
#include "desktop/EntryPrograms.h"
#include "desktop/MimeDatabaseTool.h"
#include "desktop/OwnCopies.h"
#include "desktop/ThunarActions.h"
#include "platform/FileIO.h"
#include "platform/Paths.h"

plat::DesktopEntryFields ProgramDesktopEntry(const std::string& program) {
  plat::DesktopEntryFields entry;
  entry.name = "Murvel";
  entry.genericName = "File Scrambler";
  entry.comment = "Hide a file's contents behind a password, and bring them back";
  entry.program = program;
  entry.iconName = kAppIconName;
  entry.mimeTypes = {kCodedDataType, kSealedDataType};
  entry.categories = {"Utility", "FileTools"};
  entry.keywords = {"password", "scramble", "hide", "code", "decode"};
  entry.wmClass = "murvel";
  entry.signature = plat::kProgramSignature;
  return entry;
}

namespace {

plat::FileAction Action(const std::string& id, const char* label, const char* description,
                        const std::string& program) {
  plat::FileAction a;
  a.id = id;
  a.label = label;
  a.description = description;
  a.iconName = kAppIconName;
  a.program = program;
  return a;
}

}  // namespace

plat::FileAction ProgramFileAction(const std::string& program) {
  return Action(kAppIconName, "Code or decode with Murvel",
                "Open the file in Murvel to code or decode it with a password", program);
}

std::vector<plat::FileAction> ProgramFileActions(const std::string& program) {
  plat::FileAction seal = Action(std::string(kAppIconName) + "-seal", "Seal with Murvel",
                                 "Open the file in Murvel with sealing chosen, to seal it with a "
                                 "password that really protects it",
                                 program);
  seal.option = "--seal";
  plat::FileAction unseal =
      Action(std::string(kAppIconName) + "-unseal", "Unseal with Murvel",
             "Open the sealed file in Murvel to unseal it with its password", program);
  return {ProgramFileAction(program), seal, unseal};
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
  for (const plat::FileAction& action : ProgramFileActions(program)) {
    note(plat::InstallFileManagerActions(action));
    note(plat::InstallThunarAction(action));
  }
  return first;
}

plat::Outcome RemoveOwnDesktopFiles(const std::vector<plat::MimeType>& types,
                                    const std::string& program,
                                    std::vector<std::string>* removedOut) {
  std::vector<plat::ActionFile> files;
  for (const plat::MimeType& type : types)
    for (plat::ActionFile& file : type.UserDataFiles()) {
      // The program's entry, which each of its types writes alike, is taken once.
      bool known = false;
      for (const plat::ActionFile& f : files) known = known || f.relativePath == file.relativePath;
      if (!known) files.push_back(std::move(file));
    }
  const std::string entryPath =
      "applications/" + plat::MimeType::DesktopId(plat::kProgramSignature);
  for (const std::string& text : EarlierDesktopEntryTexts(program))
    files.push_back({entryPath, text, 0644});
  const std::string icons = "icons/hicolor/";
  files.push_back(
      {icons + "scalable/apps/" + kAppIconName + ".svg", std::string(AppIconSvg()), 0644});
  files.push_back(
      {icons + "48x48/apps/" + kAppIconName + ".png", std::string(AppIconPng48()), 0644});
  const std::vector<plat::FileAction> actions = ProgramFileActions(program);
  for (const plat::FileAction& action : actions)
    for (plat::ActionFile& file : plat::FileManagerActionFiles(action)) files.push_back(file);

  std::vector<std::string> removed;
  plat::Outcome first = plat::RemoveOwnDataFiles(files, &removed);
  bool tookAction = false;
  for (const plat::FileAction& action : actions) {
    bool took = false;
    plat::Outcome thunar = plat::RemoveThunarAction(action, &took);
    tookAction = tookAction || took;
    if (first.ok() && !thunar.ok()) first = thunar;
  }

  std::string data, config;
  const bool hasData = plat::FindUserDataDirectory(&data);
  if (removedOut) {
    for (const std::string& path : removed) removedOut->push_back(data + "/" + path);
    if (tookAction && plat::FindUserSettingsDirectory(&config, false))
      removedOut->push_back(config + "/Thunar/uca.xml");
  }
  // The user's caches still name what was removed until they are rebuilt.
  if (removed.empty() || !hasData) return first;
  auto removedUnder = [&removed](const std::string& folder) {
    for (const std::string& path : removed)
      if (path.compare(0, folder.size(), folder) == 0) return true;
    return false;
  };
  plat::Outcome rebuilt = plat::Outcome::Ok();
  if (removedUnder("mime/")) rebuilt = plat::UpdateMimeDatabase(data + "/mime");
  if (removedUnder("applications/") && rebuilt.ok())
    rebuilt = plat::UpdateDesktopDatabase(data + "/applications");
  if (first.ok() && !rebuilt.ok()) first = rebuilt;
  return first;
}
