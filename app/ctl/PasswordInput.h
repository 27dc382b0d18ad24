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

// Asks on the controlling terminal (/dev/tty) with `prompt`, echo off, and reads one line.
// Fails when there is no terminal or the input ends first. The terminal's settings are put
// back on every way out, an interrupt included.
plat::Outcome ReadPasswordFromTerminal(const char* prompt, plat::SecretText* out);

// Reads the first line of `in` (without its line end), past its stdio buffer. Fails when `in`
// ends before any byte.
plat::Outcome ReadPasswordFromStream(std::FILE* in, plat::SecretText* out);

// Cuts `password` to its first kCtlPasswordMax bytes, as the window does. True when anything was
// cut.
bool FitPassword(plat::SecretText* password);
