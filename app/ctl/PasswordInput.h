#pragma once
// Where murvelctl gets the password: the terminal, without echo, or the first line of standard
// input. Never the command line, where every user of the machine could read it.
#include <cstdio>
#include <string>

#include "platform/Outcome.h"
#include "platform/Program.h"
#include "platform/SecretMemory.h"

// The longest password the program keeps, in bytes, as the window does.
constexpr size_t kCtlPasswordMax = plat::kPasswordMax;
// The longest password a seal takes: all of it counts.
constexpr size_t kSealPasswordMax = plat::kSealPasswordMax;
static_assert(kSealPasswordMax + 2 <= plat::SecretText::kMax, "a seal's password fits its text");

// Asks on the controlling terminal (/dev/tty) with `prompt`, echo off, and reads one line, of
// which the first `longest` + 2 bytes are kept (enough to tell a longer one). Fails when there
// is no terminal or the input ends first. The terminal's settings are put back on every way out,
// an interrupt included.
plat::Outcome ReadPasswordFromTerminal(const char* prompt, plat::SecretText* out,
                                       size_t longest = kCtlPasswordMax);

// Reads the first line of `in` (without its line end), past its stdio buffer, as above. Fails
// when `in` ends before any byte.
plat::Outcome ReadPasswordFromStream(std::FILE* in, plat::SecretText* out,
                                     size_t longest = kCtlPasswordMax);

// Cuts `password` to its first kCtlPasswordMax bytes, as the window does. True when anything was
// cut.
bool FitPassword(plat::SecretText* password);
