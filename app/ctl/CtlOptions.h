#pragma once
// The command line of murvelctl: one command, its options and the files it works on.
#include <string>
#include <vector>

enum class CtlCommand { Code, Decode, Status, Recover, Rescue, Seal, Unseal, Help, Version };

struct CtlOptions {
  CtlCommand command = CtlCommand::Help;
  std::vector<std::string> files;
  bool passwordStdin = false;  // the password is the first line of standard input
  bool verbose = false;        // the engine's diagnostic lines go to standard error
  bool recursive = false;      // folders named: the files inside them, at every depth
  bool quiet = false;          // status: no lines, the answer in the exit status
  // code, decode: work on a file whose bytes and record disagree all the same; rescue: turn the
  // bytes back with --key-date even when they are not recognised then
  bool force = false;
  std::string keyDate;                 // rescue: the moment of coding, "YYYY-MM-DD HH:MM:SS"
  bool dropJournals = false;           // recover: remove the journals named, whatever their files
  bool strong = false;                 // seal: the stronger key derivation (seal::kStrongCost)
  bool help = false, version = false;  // set while parsing; they become the command
};

// Parses argv[1..]. On a usage error returns false and puts a one-line reason in `error`.
// Options may stand before or after the command; "--" ends the options, so a file may be named
// "-x" or "--help".
bool ParseCtlArgs(int argc, const char* const* argv, CtlOptions* out, std::string* error);

// The --help text.
std::string CtlUsage();
