#pragma once
// An interrupted sealing or unsealing that only its password settles, in the words both front
// ends use: murvelctl's result line ("sealing interrupted: FILE: needs its password") and the
// window's notice say it alike.
#include "engine/Results.h"

// Why the interrupted sealing or unsealing on an inspected file is still there: it needs its
// password (none was given), or the one given is not its own. None for any other file.
enum class SealWait { None, NeedsPassword, WrongPassword };
SealWait SealWaitOf(const Inspection& found);

// The state of a file whose change waits: "sealing interrupted" or "unsealing interrupted".
constexpr const char* kSealingInterrupted = "sealing interrupted";
constexpr const char* kUnsealingInterrupted = "unsealing interrupted";
const char* SealWaitState(const Inspection& found);
// What it waits for: "needs its password", or "the password given is not its own; nothing was
// touched".
const char* SealWaitDetail(SealWait wait);
