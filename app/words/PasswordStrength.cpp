#include "app/words/PasswordStrength.h"

#include <zxcvbn.h>

#include <cmath>
#include <cstring>

double GuessesLog10(const plat::SecretText& password) {
  // The estimator wants a terminated string: it is made in secret memory, never on the heap.
  plat::SecretBuffer text(password.size() + 1);
  std::memcpy(text.data(), password.data(), password.size());
  text.data()[password.size()] = '\0';
  // Its figure is the entropy in bits, the base-2 logarithm of the guesses.
  const double bits = ZxcvbnMatch(text.data(), nullptr, nullptr);
  return bits * std::log10(2.0);
}
