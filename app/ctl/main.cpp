// murvelctl: codes, decodes and inspects files from the command line, on the window's engine.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/ctl/CtlCommands.h"
#include "app/ctl/CtlOptions.h"
#include "app/ctl/CtlText.h"
#include "app/ctl/CtlWork.h"
#include "app/ctl/PasswordInput.h"
#include "app/ctl/ProgressLine.h"
#include "app/ctl/SealingHelp.h"
#include "app/ctl/StopRequest.h"
#include "platform/SecretMemory.h"

namespace {

int UsageError(const std::string& why) {
  std::fprintf(stderr, "murvelctl: %s\n%s\n", why.c_str(), Tr("Try 'murvelctl --help'."));
  return kExitUsage;
}

bool Sealing(CtlCommand command) {
  return command == CtlCommand::Seal || command == CtlCommand::Unseal;
}

// Reads one password from standard input or the terminal, with `prompt`; `longest`: the bytes
// that count. Returns an exit status when it could not be had, or -1.
int ReadPassword(const CtlOptions& options, const char* prompt, size_t longest,
                 plat::SecretText* password) {
  plat::Outcome read = options.passwordStdin ? ReadPasswordFromStream(stdin, password, longest)
                                             : ReadPasswordFromTerminal(prompt, password, longest);
  if (!read) {
    std::fprintf(stderr, "murvelctl: %s\n", read.why().c_str());
    return options.passwordStdin ? kExitNotDone : kExitUsage;
  }
  // A seal takes all of its password: one longer than it takes is refused, never cut.
  if (longest == kSealPasswordMax && password->size() > kSealPasswordMax) {
    std::fprintf(stderr, "murvelctl: %s\n",
                 TrFill("the password is longer than %s bytes; a seal takes the whole of a "
                        "password, so choose a shorter one",
                        {std::to_string(kSealPasswordMax)})
                     .c_str());
    return kExitNotDone;
  }
  return -1;
}

// Gets the password from standard input or the terminal (twice when coding or sealing). Returns
// an exit status when it could not be had, or -1.
int GetPassword(const CtlOptions& options, plat::SecretText* password) {
  const bool sealing = Sealing(options.command);
  const size_t longest = sealing ? kSealPasswordMax : kCtlPasswordMax;
  int status = ReadPassword(options, "Password: ", longest, password);
  if (status >= 0) return status;
  if (!options.passwordStdin &&
      (options.command == CtlCommand::Code || options.command == CtlCommand::Seal)) {
    plat::SecretText again;
    status = ReadPassword(options, "Password again: ", longest, &again);
    if (status >= 0) return status;
    const bool differ = again != *password;
    if (differ) {
      std::fprintf(stderr, "murvelctl: %s\n",
                   Tr(sealing ? "the two passwords differ; nothing was sealed"
                              : "the two passwords differ; nothing was coded"));
      return kExitNotDone;
    }
  }
  if (!sealing && FitPassword(password)) {
    const std::string max = std::to_string(kCtlPasswordMax);
    std::fprintf(stderr, "murvelctl: %s\n",
                 TrFill("warning: the password is longer than %s bytes; only its first %s bytes "
                        "are used, as in the window",
                        {max, max})
                     .c_str());
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  plat::KeepSecretsOutOfCoreDumps();
  LoadCtlTexts();
  CtlOptions options;
  std::string error;
  if (!ParseCtlArgs(argc, argv, &options, &error)) return UsageError(error);
  if (options.command == CtlCommand::Help) {
    std::fputs(CtlUsage().c_str(), stdout);
    return kExitDone;
  }
  if (options.command == CtlCommand::Version) {
    std::printf("murvelctl %s\n", MURVEL_VERSION);
    return kExitDone;
  }

  const CtlCommandRow& command = *FindCommandRow(options.command);
  plat::SecretText password;
  if (command.needsPassword) {
    int status = GetPassword(options, &password);
    if (status >= 0) return status;
    if (password.empty() && options.command == CtlCommand::Code) {
      std::fprintf(stderr, "murvelctl: %s\n",
                   Tr("the password is empty; an empty password codes nothing"));
      return kExitNotDone;
    }
    if (password.empty() && options.command == CtlCommand::Seal) {
      std::fprintf(stderr, "murvelctl: %s\n",
                   Tr("the password is empty; an empty password seals nothing"));
      return kExitNotDone;
    }
    if (options.command == CtlCommand::Seal) WarnOfWeakPassword(password, options.strong);
  }

  // Results go to standard output as soon as each batch's are known, even when it is a pipe.
  setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
  StopRequest::Install();
  ProgressLine progress(isatty(STDERR_FILENO) != 0);
  CtlWork work(stdout, options.verbose ? stderr : nullptr, progress);
  if (Sealing(options.command)) {
    work.SetSealPassword(password, options.strong ? seal::kStrongCost : seal::kDefaultCost);
  } else {
    work.SetPassword(password);
  }
  // recover asks for the password of an interrupted sealing or unsealing only when it meets one.
  if (options.command == CtlCommand::Recover) {
    work.SetSealPasswordSource([&options](plat::SecretText* out) {
      return ReadPassword(options, "Password it was sealed with: ", kSealPasswordMax, out) < 0;
    });
  }
  work.SetStopRequest([] { return StopRequest::Requested(); });
  work.SetForce(options.force);

  // The files come a batch at a time, so that memory stays the same for any number of them.
  CtlRun run{work, options, true, kExitDone, {}};
  {
    FileStream stream(options.files, options.recursive, command.sweepsJournals);
    std::vector<ListedFile> files;
    while (stream.Next(&files)) command.handle(run, files);
  }
  if (command.finish) command.finish(run);
  // Result lines that could not be written (a full disk, say) leave a script without its answer.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "murvelctl: %s\n", Tr("the result lines could not all be written"));
    return kExitNotDone;
  }
  // Stopped by a signal: the shell's convention, 128 and the signal's number (130 for Ctrl-C).
  if (StopRequest::Requested()) return 128 + StopRequest::Signal();
  if (options.quiet) return run.quietExit;
  return run.allDone ? kExitDone : kExitNotDone;
}
