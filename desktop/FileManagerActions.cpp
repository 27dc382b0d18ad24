#include "desktop/FileManagerActions.h"

#include <sys/stat.h>

#include <cstring>

#include "desktop/DesktopEntry.h"
#include "platform/FileIO.h"
#include "platform/Paths.h"

namespace plat {
namespace {

// Nautilus runs the script in the folder shown, with the chosen files as arguments (their
// paths; URIs for remote ones, which the program takes too).
std::string NautilusScript(const FileAction& a) {
  return "#!/bin/sh\n# " + a.description + " (" + a.label + ").\nexec " + ShellWord(a.program) +
         (a.option.empty() ? "" : " " + ShellWord(a.option)) + " \"$@\"\n";
}

// The option with the blank before it, or nothing.
std::string OptionWord(const FileAction& a) {
  return a.option.empty() ? "" : " " + a.option;
}

// A desktop entry of its own kind that KIO reads for its actions; every file is a kind of
// application/octet-stream, so the entry is offered for any file, and for one at a time.
std::string DolphinServiceMenu(const FileAction& a) {
  const std::string name = DesktopStringValue(a.label);
  const std::string exec = ExecProgram(a.program) + OptionWord(a) + " %f";
  return "[Desktop Entry]\nType=Application\nName=" + name +
         "\nComment=" + DesktopStringValue(a.description) + "\nIcon=" + a.iconName +
         "\nExec=" + exec +
         "\nMimeType=application/octet-stream;\nActions=open;\n"
         "X-KDE-Priority=TopLevel\nX-KDE-RequiredNumberOfUrls=1\n\n"
         "[Desktop Action open]\nName=" +
         name + "\nIcon=" + a.iconName + "\nExec=" + exec + "\n";
}

// Nemo runs the command line through its shell-like parser, %F becoming the quoted paths. The
// line is a key file's string value first (a backslash in it is written doubled).
std::string NemoAction(const FileAction& a) {
  return "[Nemo Action]\nName=" + a.label + "\nComment=" + a.description +
         "\nIcon-Name=" + a.iconName + "\nExec=" + DesktopStringValue(CommandWord(a.program)) +
         OptionWord(a) + " %F\nSelection=s\nExtensions=nodirs;\n";
}

bool SystemProvides(const std::string& relativePath) {
  struct stat st;
  for (const std::string& dir : SystemDataDirectories())
    if (stat((dir + "/" + relativePath).c_str(), &st) == 0) return true;
  return false;
}

}  // namespace

std::string CommandWord(const std::string& program) {
  std::string out;
  for (char c : ShellWord(program)) out += c == '%' ? std::string("%%") : std::string(1, c);
  if (program.find('%') == std::string::npos) return out;
  return std::string(kShellStart) + " " + ShellWord(kShellExec) + " " + out;
}

std::string ShellWord(const std::string& text) {
  bool plain = !text.empty();
  for (unsigned char c : text)
    if (!(std::isalnum(c) || std::strchr("/._-+,:@%=", c))) plain = false;
  if (plain) return text;
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::vector<ActionFile> FileManagerActionFiles(const FileAction& a) {
  return {
      {"nautilus/scripts/" + a.label, NautilusScript(a), 0755},
      // KIO runs a service menu outside the system folders only when it is executable.
      {"kio/servicemenus/" + a.id + ".desktop", DolphinServiceMenu(a), 0755},
      {"nemo/actions/" + a.id + ".nemo_action", NemoAction(a), 0644},
  };
}

Outcome InstallFileManagerActions(const FileAction& action) {
  std::string data;
  if (!FindUserDataDirectory(&data))
    return Outcome::Fail("no user data folder (XDG_DATA_HOME, HOME)");
  Outcome first = Outcome::Ok();
  for (const ActionFile& file : FileManagerActionFiles(action)) {
    if (SystemProvides(file.relativePath)) continue;
    Outcome written = WriteFileIfDifferent(data + "/" + file.relativePath, file.text, file.mode);
    if (first.ok() && !written.ok()) first = written;
  }
  return first;
}

}  // namespace plat
