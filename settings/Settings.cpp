#include "settings/Settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/FileIO.h"
#include "platform/Paths.h"
#include "settings/SettingsEntry.h"

char path2scan[1024] = "";

namespace {

std::string FileName(const char* name) {
  if (!name || !*name || std::strchr(name, '/') || !std::strcmp(name, ".") ||
      !std::strcmp(name, ".."))
    return kSettingsFileName;
  return name;
}

std::string InSettingsFolder(const std::string& userSettings, const std::string& leaf) {
  return userSettings + "/" + kSettingsFolderName + "/" + leaf;
}

std::string Why(const char* what, const std::string& path, int err) {
  return std::string(what) + " '" + path + "': " + std::strerror(err);
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

plat::Outcome SettingsFilePath(const char* name, bool createFolder, std::string* path) {
  std::string userSettings;
  if (!plat::FindUserSettingsDirectory(&userSettings, createFolder))
    return plat::Outcome::Fail("no user settings folder");
  *path = InSettingsFolder(userSettings, FileName(name));
  return plat::Outcome::Ok();
}

plat::Outcome ReadSettingsBytes(const std::string& path, uint8_t* buf, size_t size, size_t* got) {
  std::string entry;
  plat::Outcome allowed = SettingsEntry(path, &entry);
  if (!allowed) return allowed;
  // Looked at before it is opened: opening a device or a FIFO can have effects of its own.
  struct stat st;
  if (lstat(entry.c_str(), &st) != 0) return plat::Outcome::Fail(Why("cannot read", path, errno));
  if (!S_ISREG(st.st_mode))
    return plat::Outcome::Fail("cannot read '" + path + "': it is no regular file");
  int fd = open(entry.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return plat::Outcome::Fail(Why("cannot open", path, errno));
  ssize_t n = -1;
  int err = EINVAL;  // the entry was swapped for something else since it was looked at
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (entry == path || st.st_uid == geteuid())) {
    n = ReadUpTo(fd, buf, size);
    err = errno;
  }
  close(fd);
  if (n < 0) return plat::Outcome::Fail(Why("cannot read", path, err));
  *got = size_t(n);
  return plat::Outcome::Ok();
}

plat::Outcome LoadSettings(const std::string& path, Settings* settings,
                           std::vector<std::string>* notes) {
  uint8_t buf[kSettingsFileBytes];
  size_t got = 0;
  const plat::Outcome read = ReadSettingsBytes(path, buf, sizeof buf, &got);
  if (!read) return read;
  *settings = ParseSettings(buf, got, *settings, notes);
  return plat::Outcome::Ok();
}

plat::Outcome SaveSettings(const std::string& path, const Settings& settings) {
  std::string entry;
  plat::Outcome allowed = SettingsEntry(path, &entry);
  if (!allowed) return allowed;
  const std::string bytes = EncodeSettings(settings);
  // No link approved: none is followed either, should one be put there meanwhile.
  return plat::WriteFileAtomically(path, bytes.data(), bytes.size(), 0644, entry != path);
}

bool Getsettings(const char* name, Settings* settings) {
  std::string path;
  if (!SettingsFilePath(name, false, &path)) {
    printf("Can't find user_settings_folder\n");
    return false;
  }
  printf("reading  SettingsFile\n '%s'\n", path.c_str());
  std::vector<std::string> notes;
  const plat::Outcome loaded = LoadSettings(path, settings, &notes);
  for (const std::string& note : notes) printf("%s\n", note.c_str());
  if (!loaded) printf("Can't Getsettings\n");
  return loaded.ok();
}

plat::Outcome Setsettings(const char* name, const Settings& settings) {
  std::string path;
  plat::Outcome saved = SettingsFilePath(name, true, &path);
  if (!saved) {
    printf("Can't find user_settings_folder\n");
  } else {
    printf("Path: '%s'\n", path.c_str());
    saved = SaveSettings(path, settings);
    // The old file, if any, is still whole; the second line says why the new one is not there.
    if (!saved) printf("can't set(fn)!\nSettings: %s\n", saved.why().c_str());
  }
  printf("Ende Setsettings\n");
  return saved;
}

std::string BackImagePath() {
  std::string userSettings;
  if (!plat::FindUserSettingsDirectory(&userSettings, false)) return "";
  return InSettingsFolder(userSettings, kBackImageName);
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
  path2scan[0] = '\0';
}
