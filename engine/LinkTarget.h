#pragma once
// Where symbolic links lead, resolved the same way everywhere, so that a file's bytes and its
// attributes are always read and written on the same file.
#include <string>

// The path named by the target text of the link at `linkPath`: an absolute target as it is, a
// relative one taken from the link's folder.
std::string LinkTargetPath(const std::string& linkPath, const std::string& target);

// The file that `path` finally names, every link followed and the path made canonical.
// Empty when it cannot be had (a missing entry, a dangling link, a loop).
std::string ResolvedFile(const std::string& path);
