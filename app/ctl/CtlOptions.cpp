#include "app/ctl/CtlOptions.h"

#include <algorithm>

#include "app/ctl/CtlCommands.h"
#include "app/ctl/CtlText.h"
#include "app/words/Diagnostics.h"
#include "engine/rescue/Rescue.h"
#include "app/ctl/SealingHelp.h"
#include "platform/Program.h"

namespace {

const CtlOptionRow* FindOption(const std::string& word) {
  for (const CtlOptionRow& row : CtlOptionRows())
    if (word == row.longName || (row.shortName && word == row.shortName)) return &row;
  return nullptr;
}

// "a, b and c" ("or" for `last`) from the names of the commands in `mask` (all when 0).
std::string CommandList(unsigned mask, const char* last) {
  std::vector<const char*> names;
  for (const CtlCommandRow& row : CtlCommandRows())
    if (mask == 0 || (mask & CommandBit(row.command))) names.push_back(row.name);
  std::string list;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) list += i + 1 == names.size() ? std::string(" ") + last + " " : ", ";
    list += names[i];
  }
  return list;
}

// Appends `label` and the lines of `help`, the help in a column of its own.
void AppendEntry(std::string* text, const std::string& label, const char* help, size_t column) {
  std::string line = "  " + label;
  if (line.size() + 2 > column) {
    *text += line + "\n";
    line.clear();
  }
  line.resize(column, ' ');
  for (const char* p = help;; ++p) {
    if (*p == '\n' || *p == '\0') {
      *text += line + "\n";
      if (*p == '\0') break;
      line.assign(column, ' ');
    } else {
      line += *p;
    }
  }
}

}  // namespace

bool ParseCtlArgs(int argc, const char* const* argv, CtlOptions* out, std::string* error) {
  *out = CtlOptions();
  const CtlCommandRow* command = nullptr;
  bool optionsEnded = false;
  std::vector<const CtlOptionRow*> given;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      if (arg == "--") {
        optionsEnded = true;
        continue;
      }
      const size_t equals = arg.find('=');
      const CtlOptionRow* option = FindOption(arg.substr(0, equals));
      if (option && option->value) {
        std::string value;
        if (equals != std::string::npos) {
          value = arg.substr(equals + 1);
        } else if (i + 1 < argc) {
          value = argv[++i];
        } else {
          *error =
              std::string(option->longName) + " needs " + option->valueWhat + ", " + option->value;
          return false;
        }
        option->set(out, value);
        given.push_back(option);
      } else if (option && equals == std::string::npos) {
        option->set(out, std::string());
        given.push_back(option);
      } else if (arg.rfind("--password", 0) == 0 || arg == "-p") {
        *error =
            Tr("the password is never taken as an argument; type it when asked, or use "
               "--password-stdin");
        return false;
      } else {
        *error = TrFill("unknown option '%s'", {arg});
        return false;
      }
    } else if (!command) {
      for (const CtlCommandRow& row : CtlCommandRows())
        if (arg == row.name) command = &row;
      if (!command) {
        *error = TrFill("unknown command '%s' (%s)", {arg, CommandList(0, Tr("or"))});
        return false;
      }
      out->command = command->command;
    } else {
      out->files.push_back(arg);
    }
  }
  if (out->help) {
    out->command = CtlCommand::Help;
    return true;
  }
  if (out->version) {
    out->command = CtlCommand::Version;
    return true;
  }
  if (!command) {
    *error = TrFill("no command given (%s)", {CommandList(0, Tr("or"))});
    return false;
  }
  if (out->files.empty()) {
    *error = Tr("no file given");
    return false;
  }
  for (const CtlOptionRow& row : CtlOptionRows()) {
    const CtlOptionRow* option = &row;
    if (std::find(given.begin(), given.end(), option) == given.end()) continue;
    if (option->commands != 0 && !(option->commands & CommandBit(command->command))) {
      *error =
          TrFill("%s is for %s only", {option->longName, CommandList(option->commands, Tr("and"))});
      return false;
    }
  }
  // A moment that is none is a mistake in the command line, told before any file is looked at.
  if (!out->keyDate.empty()) {
    uint8_t key[6];
    Fault why;
    if (!KeyFromMoment(out->keyDate, key, &why)) {
      *error = "--key-date: " + Words(why);
      return false;
    }
  }
  return true;
}

std::string CtlUsage() {
  std::string text =
      Tr("Usage: murvelctl [OPTION]... COMMAND FILE...\n"
         "Codes and decodes files in place with a password, as the Murvel window does.\n"
         "\n"
         "Commands:\n");
  for (const CtlCommandRow& row : CtlCommandRows())
    AppendEntry(&text, std::string(row.name) + " FILE...", Tr(row.help.c_str()), 19);
  text += Tr("\nOptions:\n");
  for (const CtlOptionRow& row : CtlOptionRows()) {
    std::string label = row.shortName ? std::string(row.shortName) + ", " : std::string();
    label += row.longName;
    if (row.value) label += std::string(" ") + row.value;
    AppendEntry(&text, label, Tr(row.help), 20);
  }
  text += TrFill(
      "\n"
      "The password is never taken as an argument. Only its first %s bytes count, as in\n"
      "the window; murvelctl codes nothing with an empty password. Each file gets one\n"
      "line, \"STATE: FILE\" or \"STATE: FILE: DETAIL\", where STATE is one of: coded,\n"
      "decoded, plain, wrong password, skipped, not workable, failed; for status also\n"
      "\"coded, record lost (coded on DATE)\" and \"plain, record left over\"; for recover:\n"
      "recovered, whole, kept journal, dropped journal; for rescue: found, rescued. Lines\n"
      "of files not done as asked (wrong password, skipped, not workable, failed, kept\n"
      "journal) go to standard error, the others to standard output. A file whose earlier\n"
      "change was interrupted is settled first, by any command, with a line \"recovered:\n"
      "FILE: DETAIL\" before its own.\n"
      "\n"
      "What it protects against: coding hides a file's contents from casual eyes and keeps\n"
      "it from being opened by accident. It is not encryption: the bytes are keyed by the\n"
      "moment of coding, not by the password, which is kept lightly scrambled beside them.\n"
      "The record lives in the file's extended attributes (user.PrivCodec): copy coded\n"
      "files with cp -a, tar --xattrs or rsync -X, and keep them on file systems that keep\n"
      "user attributes (ext4, xfs, btrfs; not vfat or exfat). A copy made otherwise keeps\n"
      "its coded bytes but loses its record, and with it the type and icons it had:\n"
      "status tells such a copy and rescue gives it back, with no password at all; the\n"
      "format protects from casual eyes, not from this.\n"
      "\n"
      "Exit status: 0 when every file was done (recover: is whole), 1 when any was not,\n"
      "2 on a usage error, 128 + the signal's number when stopped by one (130 for Ctrl-C;\n"
      "the files in hand are finished first). status --quiet: 0 when every file is coded,\n"
      "3 when any is plain, 1 when any could not be told, 4 (before the others) when the\n"
      "bytes and the record of any disagree.\n",
      {std::to_string(plat::kPasswordMax)});
  text += "\n" + SealingHelp();
  return text;
}
