#pragma once
// Entries, paths and standard folders. Entry references are plain paths.
#include <string>
#include <vector>

#include "platform/Outcome.h"

namespace plat {

// The last component of a path ("" for "/" or an empty path).
std::string LeafOf(const std::string& path);
// The folder part of a path ("." for a bare name, "/" for "/x").
std::string ParentOf(const std::string& path);
// The absolute form of `path` with ".", ".." and doubled slashes resolved lexically (links are
// not followed), against the current folder when relative.
std::string Normalized(const std::string& path);

// Reads the target text of the symbolic link at `path` into `buf` (at most `size` bytes, not
// terminated). Returns the byte count, or a negative errno (-EINVAL when not a link).
long ReadLink(const std::string& path, char* buf, unsigned long size);

// The user settings folder: $XDG_CONFIG_HOME, else $HOME/.config. With `create`, made (0755)
// when missing. Fails when neither variable gives a folder.
[[nodiscard]] bool FindUserSettingsDirectory(std::string* out, bool create);
// The user data folder for the freedesktop databases: $XDG_DATA_HOME, else $HOME/.local/share.
[[nodiscard]] bool FindUserDataDirectory(std::string* out);

// The system's data and configuration folders, most important first: $XDG_DATA_DIRS (else
// /usr/local/share and /usr/share) and $XDG_CONFIG_DIRS (else /etc/xdg).
std::vector<std::string> SystemDataDirectories();
std::vector<std::string> SystemConfigDirectories();

// Makes the folder and every missing parent (mode 0755). True when the folder exists afterwards.
[[nodiscard]] bool MakeFolderTree(const std::string& path);

// The running program's executable (/proc/self/exe resolved). Empty when it cannot be had.
std::string AppExecutablePath();
// Makes AppExecutablePath() answer `path` instead (for tests and tools that stand in for the
// program); an empty path goes back to /proc/self/exe.
void SetAppExecutablePath(const std::string& path);

}  // namespace plat
