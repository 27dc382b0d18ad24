#include "EngineTestSupport.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/FileCalls.h"
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
  char names[8192];
  ssize_t len = listxattr(path.c_str(), names, sizeof names);
  for (ssize_t i = 0; i < len; i += ssize_t(std::strlen(names + i)) + 1) {
    std::string name = names + i;
    if (name.rfind("user.", 0) == 0) out[name.substr(5)] = *GetXattr(path, name.substr(5));
  }
  return out;
}

std::optional<std::string> GetXattr(const std::string& path, const std::string& name) {
  std::string value(65536, '\0');
  ssize_t len = getxattr(path.c_str(), ("user." + name).c_str(), value.data(), value.size());
  if (len < 0) return std::nullopt;
  value.resize(size_t(len));
  return value;
}

void SetXattr(const std::string& path, const std::string& name, const std::string& value) {
  ASSERT_EQ(setxattr(path.c_str(), ("user." + name).c_str(), value.data(), value.size(), 0), 0)
      << name << ": " << std::strerror(errno);
}

std::string CText(const char* text) {
  return std::string(text, std::strlen(text) + 1);
}

Bytes CodedByRule(const Bytes& plain, const uint8_t key[6]) {
  Bytes out(plain.size());
  for (size_t i = 0; i < plain.size(); ++i) out[i] = uint8_t(plain[i] + key[i % 6] + (i % 256));
  return out;
}

PlainRecord UnscrambleRecord(const std::string& value) {
  PlainRecord r;
  Bytes v(value.begin(), value.end());
  if (v.size() < 9 || v.size() != size_t(v[0]) + 1 || v.back() != 0) return r;
  size_t L = v[0];
  for (size_t i = 7; i < L; ++i) v[i] = uint8_t(v[i] - v[(i - 7) % 4]);
  size_t n = v[7];
  if (8 + n >= L || 9 + n + v[8 + n] != L) return r;
  r.lineLength = int(L);
  r.timeCode.assign(v.begin() + 1, v.begin() + 7);
  r.name.assign(v.begin() + 8, v.begin() + 8 + long(n));
  r.password.assign(v.begin() + 9 + long(n), v.begin() + long(L));
  return r;
}

const uint8_t* KeyBytes(const std::string& timeCode) {
  return reinterpret_cast<const uint8_t*>(timeCode.data());
}

std::tm FixtureMoment() {
  return Moment(2026, 12, 7, 8, 30, 15);
}

const std::string kFixtureTimeCode = {15 + 13, 30 + 12, 8 + 11, 126 - 41, 11 + 22, 7 + 23};

void DecorateFile(const std::string& path) {
  plat::Node node(path);
  plat::NodeInfo info(&node);
  Bytes large = RandomBytes(1024, 11), mini = RandomBytes(256, 12);
  ASSERT_EQ(info.SetType("text/plain"), 0);
  ASSERT_EQ(info.SetPreferredApp("application/x-vnd.Test-Editor"), 0);
  ASSERT_EQ(info.SetIcon(large.data(), plat::IconSize::Large), 0);
  ASSERT_EQ(info.SetIcon(mini.data(), plat::IconSize::Mini), 0);
}

bool MakeUnwritable(const std::string& path, bool on) {
  if (!RunningAsRoot()) return chmod(path.c_str(), on ? 0444 : 0644) == 0;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  int flags = 0;
  bool ok = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
  ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  if (fd >= 0) close(fd);
  return ok;
}

bool RunningAsRoot() {
  return geteuid() == 0;
}

void EngineTest::SetUp() {
  std::string pattern = testing::TempDir() + "murvel-engine-XXXXXX";
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  dir_ = pattern;
  setenv("XDG_CONFIG_HOME", (dir_ + "/.config").c_str(), 1);
  setenv("XDG_DATA_HOME", (dir_ + "/.local/share").c_str(), 1);
  clock_ = std::make_unique<plat::FixedClock>(FixtureMoment());
  plat::SetClock(clock_.get());
  engine_ = std::make_unique<Engine>(&view_);
}

void EngineTest::TearDown() {
  plat::SetClock(nullptr);
  std::ifstream mounts("/proc/self/mounts");
  std::string device, point, rest;
  std::vector<std::string> inside;
  while (mounts >> device >> point && std::getline(mounts, rest)) {
    if (point.rfind(dir_ + "/", 0) == 0) inside.insert(inside.begin(), point);
  }
  for (const std::string& m : inside) umount2(m.c_str(), MNT_DETACH);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::string EngineTest::MakeFile(const std::string& leaf, const Bytes& bytes) {
  WriteFileBytes(Path(leaf), bytes);
  return Path(leaf);
}

void EngineTest::EnterPassword(const char* password) {
  password_.set = true;
  password_.text.assign(password, std::min<size_t>(std::strlen(password), 20));
}

bool EngineTest::InspectAndWork(const std::string& path, std::string* out) {
  inspection_ = engine_->Inspect(path);
  result_ = engine_->Work(inspection_, password_);
  if (out) *out = InspectionLines(inspection_) + WorkLines(result_);
  return result_.done() || result_.outcome == WorkOutcome::NoPassword;
}

bool EngineTest::MountOn(const std::string& leaf, const char* type, const char* options) {
  if (!RunningAsRoot()) return false;
  EXPECT_EQ(mkdir(Path(leaf).c_str(), 0755), 0);
  int r = mount(type, Path(leaf).c_str(), type, 0, options);
  EXPECT_EQ(r, 0) << type << ": " << std::strerror(errno);
  return r == 0;
}

namespace {

// The system's calls, except that the process dies with SIGKILL as it writes a file other than
// a journal for the n-th time (the write made).
class DyingCalls : public plat::SystemFileCalls {
 public:
  explicit DyingCalls(int writes) : left_(writes) {}
  ssize_t Pwrite(int fd, const void* buf, size_t len, uint64_t offset) override {
    ssize_t r = SystemFileCalls::Pwrite(fd, buf, len, offset);
    char link[64], path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, path, sizeof path - 1);
    path[n > 0 ? n : 0] = '\0';
    if (std::strstr(path, ".murvel-journal-") == nullptr && --left_ == 0) raise(SIGKILL);
    return r;
  }

 private:
  int left_;
};

}  // namespace

bool InterruptChange(const std::string& path, const char* password, int writes, bool sealing) {
  fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    DyingCalls dying(writes);
    plat::SetFileCalls(&dying);
    Engine engine;
    engine.SetWindowBytes(64 * 1024);
    SealPassword sealPassword(password, seal::kMinCost);
    engine.SetSealPassword(&sealPassword);
    ChangeRequest request = RequestFor(engine.Inspect(path));
    request.sealing = sealing;
    engine.WorkMany({request}, Password{true, password}, {});
    _exit(0);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL)
    return false;
  return GetXattr(path, "murvel.change").has_value();
}
