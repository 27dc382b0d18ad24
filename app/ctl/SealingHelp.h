#pragma once
// What murvelctl tells of sealing beside its commands: the closing paragraph of --help (what
// seal and unseal print, what a seal protects, and what a guess at its password costs whoever
// has the file) and the warning for a weak password, with the derivation's figures measured
// here (bench/SealBench.cpp).
#include <string>

#include "platform/SecretMemory.h"

// The paragraph of --help on sealing, translated, ending in an empty line.
std::string SealingHelp();

// The warning, on standard error, when a seal's `password` is too weak to protect anything
// against guessing (PasswordStrength.h); nothing for a stronger one.
void WarnOfWeakPassword(const plat::SecretText& password, bool strong);
