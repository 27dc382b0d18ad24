#pragma once
// What a piece of code prints on standard output, for tests of the program's diagnostic lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

template <typename F>
std::string CapturedStdout(F&& f) {
  fflush(stdout);
  testing::internal::CaptureStdout();
  f();
  fflush(stdout);
  return testing::internal::GetCapturedStdout();
}
