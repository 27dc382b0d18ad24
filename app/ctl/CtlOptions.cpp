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
  } else if (word == "rescue") {
    *out = CtlCommand::Rescue;
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
      } else if (arg == "--recursive" || arg == "-r") {
        out->recursive = true;
      } else if (arg == "--quiet" || arg == "-q") {
        out->quiet = true;
      } else if (arg == "--force") {
        out->force = true;
      } else if (arg == "--key-date" || arg.rfind("--key-date=", 0) == 0) {
        if (arg == "--key-date" && i + 1 >= argc) {
          *error = "--key-date needs a moment, 'YYYY-MM-DD HH:MM:SS'";
          return false;
        }
        out->keyDate = arg == "--key-date" ? argv[++i] : arg.substr(11);
      } else if (arg == "--drop-journal") {
        out->dropJournals = true;
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
        *error = "unknown command '" + arg + "' (code, decode, status, recover or rescue)";
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
    *error = "no command given (code, decode, status, recover or rescue)";
    return false;
  }
  if (out->files.empty()) {
    *error = "no file given";
    return false;
  }
  if (out->quiet && out->command != CtlCommand::Status) {
    *error = "--quiet is for status only";
    return false;
  }
  if (!out->keyDate.empty() && out->command != CtlCommand::Rescue) {
    *error = "--key-date is for rescue only";
    return false;
  }
  if (out->force && out->command != CtlCommand::Code && out->command != CtlCommand::Decode &&
      out->command != CtlCommand::Rescue) {
    *error = "--force is for code, decode and rescue only";
    return false;
  }
  if (out->dropJournals && out->command != CtlCommand::Recover) {
    *error = "--drop-journal is for recover only";
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
         "                   machine stopped): complete it or turn it back; no password.\n"
         "                   Journals named (.murvel-journal-*) are checked against the\n"
         "                   files named: where their files went\n"
         "  rescue FILE...   give back a coded copy that lost its record (copied without\n"
         "                   its attributes): find its key from its bytes, say what it\n"
         "                   found, and turn the bytes back. No password is needed\n"
         "\n"
         "Options:\n"
         "  --password-stdin  read the password from the first line of standard input\n"
         "                    instead of asking on the terminal\n"
         "  -r, --recursive   work on the files inside the folders named, at every depth;\n"
         "                    links inside them are skipped, never followed\n"
         "  -q, --quiet       status only: print nothing; the exit status tells\n"
         "  --key-date 'YYYY-MM-DD HH:MM:SS'\n"
         "                    rescue only: the moment the file was coded, which gives the\n"
         "                    key when the bytes do not tell it for certain\n"
         "  --force           code a coded copy that lost its record a second time, decode\n"
         "                    plain bytes under a record left over, or rescue with a\n"
         "                    --key-date that turns the bytes into no type known here\n"
         "  --drop-journal    recover only: remove the journals named, whatever their files\n"
         "  -v, --verbose     show the engine's diagnostic lines on standard error\n"
         "  -h, --help        show this help and exit\n"
         "  -V, --version     show the version and exit\n"
         "\n"
         "The password is never taken as an argument. Only its first 20 bytes count, as in\n"
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
         "bytes and the record of any disagree.\n";
}
