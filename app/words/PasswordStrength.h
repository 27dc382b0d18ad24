#pragma once
// How hard a seal's password is to guess, by a strength estimate (zxcvbn: dictionaries of common
// passwords, names and words, keyboard patterns, dates, repeats, leet spellings). An attacker who
// has a sealed file tries passwords offline, each for one key derivation; a password the estimate
// puts within kWeakGuesses guesses is too weak for that, whatever the derivation costs.
#include "platform/SecretMemory.h"

// Below this many guesses: "somewhat guessable" at best on zxcvbn's own scale, which asks for
// more against an offline attack on a slow hash (and 10^10 guesses at half a second each are
// still only about 80 core-years, or a month on a thousand cores).
constexpr double kWeakGuessesLog10 = 10.0;

// The estimate's number of guesses for `password`, as a power of ten.
double GuessesLog10(const plat::SecretText& password);

// True when `password` lies within kWeakGuessesLog10.
inline bool TooWeakToSeal(const plat::SecretText& password) {
  return GuessesLog10(password) < kWeakGuessesLog10;
}
