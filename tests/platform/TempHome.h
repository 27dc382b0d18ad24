#pragma once
// Test helpers: a temporary folder on the real disk that stands in for the user's home
// (HOME, XDG_CONFIG_HOME and XDG_DATA_HOME point into it while a test runs), and captured
// standard output (CapturedStdout.h).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/platform/CapturedStdout.h"

class TempHomeTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/murvel-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    home_ = root_ + "/home";
    config_ = root_ + "/config";
    data_ = root_ + "/data";
    ASSERT_EQ(mkdir(home_.c_str(), 0755), 0);
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
      const char* old = std::getenv(name);
      saved_.push_back({name, old ? old : "", old != nullptr});
    }
    SetEnv("HOME", home_.c_str());
    SetEnv("XDG_CONFIG_HOME", config_.c_str());
    SetEnv("XDG_DATA_HOME", data_.c_str());
  }

  void TearDown() override {
    for (const Saved& s : saved_) SetEnv(s.name.c_str(), s.present ? s.value.c_str() : nullptr);
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }

  static void SetEnv(const char* name, const char* value) {
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }

  static void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  static bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
  }

  std::string root_, home_, config_, data_;

 private:
  struct Saved {
    std::string name, value;
    bool present;
  };
  std::vector<Saved> saved_;
};
