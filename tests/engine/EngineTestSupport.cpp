#include "EngineTestSupport.h"

#include <sys/mount.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/Node.h"
#include "platform/NodeInfo.h"

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

Bytes RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  Bytes out(n);
  for (auto& b : out) b = uint8_t(gen());
  return out;
}

XattrMap AllXattrs(const std::string& path) {
  XattrMap out;
  ssize_t len = listxattr(path.c_str(), nullptr, 0);
  if (len <= 0) return out;
  std::string names(size_t(len), '\0');
  len = listxattr(path.c_str(), names.data(), names.size());
  for (size_t i = 0; i < size_t(len); i += std::strlen(names.c_str() + i) + 1) {
    std::string name = names.c_str() + i;
    if (name.rfind("user.", 0) != 0) continue;
    std::optional<std::string> value = GetXattr(path, name.substr(5));
    if (value) out[name.substr(5)] = *value;
  }
  return out;
}

std::optional<std::string> GetXattr(const std::string& path, const std::string& name) {
  std::string key = "user." + name;
  ssize_t len = getxattr(path.c_str(), key.c_str(), nullptr, 0);
  if (len < 0) return std::nullopt;
  std::string value(size_t(len), '\0');
  len = getxattr(path.c_str(), key.c_str(), value.data(), value.size());
  if (len < 0) return std::nullopt;
  value.resize(size_t(len));
  return value;
}

void SetXattr(const std::string& path, const std::string& name, const std::string& value) {
  std::string key = "user." + name;
  ASSERT_EQ(setxattr(path.c_str(), key.c_str(), value.data(), value.size(), 0), 0)
      << key << ": " << std::strerror(errno);
}

Bytes CodedByRule(const Bytes& plain, const uint8_t key[6]) {
  Bytes out(plain.size());
  for (size_t i = 0; i < plain.size(); ++i) {
    out[i] = uint8_t(plain[i] + key[i % 6] + (i % 256));
  }
  return out;
}

PlainRecord UnscrambleRecord(const std::string& value) {
  PlainRecord r;
  std::vector<uint8_t> v(value.begin(), value.end());
  if (v.size() < 9) return r;
  size_t L = v[0];
  if (v.size() != L + 1 || v[L] != 0) return r;
  for (size_t i = 7; i < L; ++i) v[i] = uint8_t(v[i] - v[(i - 7) % 4]);
  size_t n = v[7];
  if (8 + n >= L) return r;
  size_t p = v[8 + n];
  if (9 + n + p != L) return r;
  r.lineLength = int(L);
  r.timeCode.assign(v.begin() + 1, v.begin() + 7);
  r.name.assign(v.begin() + 8, v.begin() + 8 + long(n));
  r.password.assign(v.begin() + 9 + long(n), v.begin() + 9 + long(n + p));
  return r;
}

std::tm Moment(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

bool RunningAsRoot() {
  return geteuid() == 0;
}

void EngineTest::SetUp() {
  std::string pattern = testing::TempDir() + "murvel-engine-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  ASSERT_NE(mkdtemp(buf.data()), nullptr);
  dir_ = buf.data();
  setenv("XDG_CONFIG_HOME", (dir_ + "/.config").c_str(), 1);
  setenv("XDG_DATA_HOME", (dir_ + "/.local/share").c_str(), 1);
  clock_ = std::make_unique<plat::FixedClock>(Moment(2026, 12, 7, 8, 30, 15));
  plat::SetClock(clock_.get());
  engine_ = std::make_unique<Engine>(state_, view_);
}

void EngineTest::TearDown() {
  plat::SetClock(nullptr);
  // A test that stopped early may have left a mount inside the folder.
  std::ifstream mounts("/proc/self/mounts");
  std::string device, point, rest;
  std::vector<std::string> inside;
  while (mounts >> device >> point && std::getline(mounts, rest)) {
    if (point.rfind(dir_ + "/", 0) == 0) inside.push_back(point);
  }
  for (auto it = inside.rbegin(); it != inside.rend(); ++it) umount2(it->c_str(), MNT_DETACH);
  std::string cmd = "rm -rf '" + dir_ + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
}

std::string EngineTest::MakeFile(const std::string& leaf, const Bytes& bytes) {
  std::string path = Path(leaf);
  WriteFileBytes(path, bytes);
  return path;
}

void EngineTest::EnterPassword(const char* password) {
  std::strncpy(state_.password, password, sizeof state_.password - 1);
  state_.password[sizeof state_.password - 1] = '\0';
  state_.passwordSet = true;
}

void EngineTest::Inspect(const std::string& path) {
  state_.currentPath = path;
  engine_->XCheck(true);
}

bool EngineTest::InspectAndWork(const std::string& path, std::string* out) {
  testing::internal::CaptureStdout();
  Inspect(path);
  bool result = engine_->XWork();
  std::string text = testing::internal::GetCapturedStdout();
  if (out) *out = text;
  return result;
}

void EngineTest::Decorate(const std::string& path) {
  plat::Node node(path);
  plat::NodeInfo info(&node);
  ASSERT_EQ(info.SetType("text/plain"), 0);
  ASSERT_EQ(info.SetPreferredApp("application/x-vnd.Test-Editor"), 0);
  Bytes large = RandomBytes(1024, 11);
  Bytes mini = RandomBytes(256, 12);
  ASSERT_EQ(info.SetIcon(large.data(), plat::IconSize::Large), 0);
  ASSERT_EQ(info.SetIcon(mini.data(), plat::IconSize::Mini), 0);
}
