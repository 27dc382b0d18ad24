#include "settings/Settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/FileIO.h"
#include "platform/Paths.h"

float WIN_X = 30.0f;
float WIN_Y = 50.0f;
float WIN_W = 118.0f;
float WIN_H = 190.0f;
rgb_color backcolor = {98, 178, 178, 255};
uint8_t wtfold = 0;
char Getsetbackimage[1024] = "";
char path2scan[1024] = "";

namespace {

constexpr size_t kFileBytes = 13;
// A window edge further off than this is no screen position: a damaged file.
constexpr float kFarthestEdge = 100000.0f;

std::string FileName(const char* name) {
  if (!name || !*name || std::strchr(name, '/') || !std::strcmp(name, ".") ||
      !std::strcmp(name, ".."))
    return kSettingsFileName;
  return name;
}

std::string SettingsPath(const std::string& userSettings, const std::string& leaf) {
  return userSettings + "/" + kSettingsFolderName + "/" + leaf;
}

void PutFloat(uint8_t* out, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  for (int i = 0; i < 4; ++i) out[i] = uint8_t(bits >> (8 * i));
}

float GetFloat(const uint8_t* in) {
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= uint32_t(in[i]) << (8 * i);
  float value;
  std::memcpy(&value, &bits, 4);
  return value;
}

// Takes a stored edge when it is a usable screen position; says so when it is not.
void LoadEdge(const char* field, const uint8_t* in, float* edge) {
  float value = GetFloat(in);
  if (std::isfinite(value) && std::fabs(value) <= kFarthestEdge) {
    *edge = value;
    return;
  }
  printf("Settings: %s %g unusable, keeping %g\n", field, double(value), double(*edge));
}

// Reads up to `size` bytes; the count read, or -1 when reading failed.
ssize_t ReadUpTo(int fd, uint8_t* buf, size_t size) {
  size_t got = 0;
  while (got < size) {
    ssize_t n = read(fd, buf + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    got += size_t(n);
  }
  return ssize_t(got);
}

}  // namespace

bool Getsettings(const char* name) {
  std::string userSettings;
  if (!plat::FindUserSettingsDirectory(&userSettings, false)) {
    printf("Can't find user_settings_folder\n");
    return false;
  }
  const std::string path = SettingsPath(userSettings, FileName(name));
  printf("reading  SettingsFile\n '%s'\n", path.c_str());

  uint8_t buf[kFileBytes];
  ssize_t got = -1;
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) got = ReadUpTo(fd, buf, sizeof buf);
    close(fd);
  }
  if (got < 0) {
    printf("Can't Getsettings\n");
    return false;
  }

  if (got >= 4) LoadEdge("WIN_X", buf, &WIN_X);
  if (got >= 8) LoadEdge("WIN_Y", buf + 4, &WIN_Y);
  if (got >= 12) backcolor = {buf[8], buf[9], buf[10], buf[11]};
  if (got >= 13) wtfold = buf[12] ? 1 : 0;
  WIN_W = WIN_X + WIN_W;
  WIN_H = WIN_Y + WIN_H;

  if (plat::FindUserSettingsDirectory(&userSettings, false)) {
    const std::string image = SettingsPath(userSettings, kBackImageName);
    if (image.size() < sizeof Getsetbackimage)
      std::memcpy(Getsetbackimage, image.c_str(), image.size() + 1);
  }
  return true;
}

void Setsettings(const char* name) {
  std::string userSettings;
  if (!plat::FindUserSettingsDirectory(&userSettings, true)) {
    printf("Can't find user_settings_folder\n");
  } else {
    const std::string path = SettingsPath(userSettings, FileName(name));
    printf("Path: '%s'\n", path.c_str());
    uint8_t buf[kFileBytes];
    PutFloat(buf, WIN_X);
    PutFloat(buf + 4, WIN_Y);
    buf[8] = backcolor.red;
    buf[9] = backcolor.green;
    buf[10] = backcolor.blue;
    buf[11] = backcolor.alpha;
    buf[12] = wtfold;
    const plat::Outcome written = plat::WriteFileAtomically(path, buf, sizeof buf, 0644);
    // The old file, if any, is still whole; the second line says why the new one is not there.
    if (!written) printf("can't set(fn)!\nSettings: %s\n", written.why().c_str());
  }
  printf("Ende Setsettings\n");
}

void GetPath2APP() {
  const std::string exe = plat::AppExecutablePath();
  if (exe.empty()) return;
  const std::string folder = plat::ParentOf(exe);
  char path[sizeof path2scan];
  int n = snprintf(path, sizeof path, "%s/%s", folder.c_str(), "codec");
  if (n > 0 && size_t(n) < sizeof path) std::memcpy(path2scan, path, size_t(n) + 1);
}

void ResetSettings() {
  WIN_X = 30.0f;
  WIN_Y = 50.0f;
  WIN_W = 118.0f;
  WIN_H = 190.0f;
  backcolor = {98, 178, 178, 255};
  wtfold = 0;
  Getsetbackimage[0] = '\0';
  path2scan[0] = '\0';
}
