#include "app/ctl/CtlOptions.h"

namespace {

bool CommandFromWord(const std::string& word, CtlCommand* out) {
  if (word == "code") {
    *out = CtlCommand::Code;
  } else if (word == "decode") {
    *out = CtlCommand::Decode;
  } else if (word == "status") {
    *out = CtlCommand::Status;
  } else if (word == "recover") {
    *out = CtlCommand::Recover;
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool ParseCtlArgs(int argc, const char* const* argv, CtlOptions* out, std::string* error) {
  *out = CtlOptions();
  bool haveCommand = false;
  bool optionsEnded = false;
  bool help = false, version = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      if (arg == "--") {
        optionsEnded = true;
      } else if (arg == "--help" || arg == "-h") {
        help = true;
      } else if (arg == "--version" || arg == "-V") {
        version = true;
      } else if (arg == "--password-stdin") {
        out->passwordStdin = true;
      } else if (arg == "--verbose" || arg == "-v") {
        out->verbose = true;
      } else if (arg.rfind("--password", 0) == 0 || arg == "-p") {
        *error =
            "the password is never taken as an argument; type it when asked, or use "
            "--password-stdin";
        return false;
      } else {
        *error = "unknown option '" + arg + "'";
        return false;
      }
    } else if (!haveCommand) {
      if (!CommandFromWord(arg, &out->command)) {
        *error = "unknown command '" + arg + "' (code, decode, status or recover)";
        return false;
      }
      haveCommand = true;
    } else {
      out->files.push_back(arg);
    }
  }
  if (help) {
    out->command = CtlCommand::Help;
    return true;
  }
  if (version) {
    out->command = CtlCommand::Version;
    return true;
  }
  if (!haveCommand) {
    *error = "no command given (code, decode, status or recover)";
    return false;
  }
  if (out->files.empty()) {
    *error = "no file given";
    return false;
  }
  return true;
}

const char* CtlUsage() {
  return "Usage: murvelctl [OPTION]... COMMAND FILE...\n"
         "Codes and decodes files in place with a password, as the Murvel window does.\n"
         "\n"
         "Commands:\n"
         "  code FILE...     code each plain file (a coded one is skipped)\n"
         "  decode FILE...   decode each coded file (a plain one is skipped)\n"
         "  status FILE...   tell whether each file is coded, and when and as what\n"
         "  recover FILE...  settle a change that was interrupted (the program killed, the\n"
         "                   machine stopped): complete it or turn it back; no password\n"
         "\n"
         "Options:\n"
         "  --password-stdin  read the password from the first line of standard input\n"
         "                    instead of asking on the terminal\n"
         "  -v, --verbose     show the engine's diagnostic lines on standard error\n"
         "  -h, --help        show this help and exit\n"
         "  -V, --version     show the version and exit\n"
         "\n"
         "The password is never taken as an argument. Only its first 20 bytes count, as in\n"
         "the window. Standard output gets one line per file, \"STATE: FILE\" or\n"
         "\"STATE: FILE: DETAIL\", where STATE is one of: coded, decoded, plain, wrong password,\n"
         "skipped, not workable, failed, and for recover: recovered, whole. A file whose earlier\n"
         "change was interrupted is settled first, by any command, with a line\n"
         "\"recovered: FILE: DETAIL\" before its own.\n"
         "\n"
         "Exit status: 0 when every file was done (recover: is whole), 1 when any was not,\n"
         "2 on a usage error.\n";
}
