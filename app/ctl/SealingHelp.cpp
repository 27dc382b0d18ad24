#include "app/ctl/SealingHelp.h"

#include <cstdio>

#include "app/ctl/CtlText.h"
#include "app/ctl/PasswordInput.h"
#include "app/words/PasswordStrength.h"

namespace {

// One key derivation on one core of this machine, measured by bench/SealBench.cpp.
const char* GuessCost(bool strong) {
  return strong ? "about 4.5 s and 1 GiB of memory" : "about 0.7 s and 256 MiB of memory";
}

}  // namespace

std::string SealingHelp() {
  return TrFill(
      "Sealing is the second way to protect a file, the one that keeps it from anyone\n"
      "without the password: seal encrypts it in place (XChaCha20, its key derived from\n"
      "the password by Argon2id), and unseal checks a MAC over all of it before it writes\n"
      "a byte, so a wrong password or a changed file is refused with nothing changed. A\n"
      "sealed file grows by 161 bytes, its seal's record, which its attribute\n"
      "user.murvel.seal holds too: a copy made without attributes (cp, mail, zip, a USB\n"
      "stick) still unseals. One call derives the key once, for all its files, and the\n"
      "whole password counts (up to %s bytes). seal prints \"sealed: FILE\", unseal\n"
      "\"unsealed: FILE\", status \"sealed: FILE: format 1, Argon2id 3 passes over 256 MiB\"\n"
      "(status --quiet counts it as coded). A coded file is not sealed, nor a sealed one\n"
      "coded: decode or unseal it first. An interrupted sealing or unsealing waits for its\n"
      "password, with nothing touched: \"sealing interrupted: FILE: needs its password\"\n"
      "(\"unsealing interrupted\"), on standard error; recover asks for the password once\n"
      "and settles it.\n"
      "\n"
      "What a seal protects: the contents, from anyone who has the file but not the\n"
      "password, and every byte of it from unnoticed change. Not its name, size or times,\n"
      "not earlier plain copies (backups, blocks kept by an SSD or a copy-on-write file\n"
      "system), not against root on the running machine, nor a swap back to an older\n"
      "sealed version. Whoever has the file pays one key derivation for each password\n"
      "they guess: %s on one core here (with\n"
      "--strong, %s), so a password that guessers try early\n"
      "protects nothing; seal warns of one.\n",
      {std::to_string(kSealPasswordMax), GuessCost(false), GuessCost(true)});
}

void WarnOfWeakPassword(const plat::SecretText& password, bool strong) {
  if (!TooWeakToSeal(password)) return;
  std::fprintf(
      stderr, "murvelctl: %s\n",
      TrFill("warning: this password is easy to guess (a strength estimate puts it within about "
             "10^%s guesses). Whoever has a sealed file can try passwords on it at the cost of "
             "one key derivation each (%s on one core here); use a longer one, such as four or "
             "more random words",
             {std::to_string(int(GuessesLog10(password))), GuessCost(strong)})
          .c_str());
}
