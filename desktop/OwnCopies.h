#pragma once
// Taking back files that the program wrote into the user's folders, and only those: a file goes
// when it reads exactly as the program writes it, so anything the user changed, or wrote there
// themselves, stays.
#include <string>
#include <vector>

#include "desktop/FileManagerActions.h"
#include "platform/Outcome.h"

namespace plat {

// Removes each of `files` (paths below the user's data folder) that holds exactly its `text`.
// `removed`, when given, gets the relative paths of those removed. Every file is tried; the
// outcome names the first that could not be removed.
Outcome RemoveOwnDataFiles(const std::vector<ActionFile>& files,
                           std::vector<std::string>* removed = nullptr);

// `uca` without Thunar's <action> element for `action`, where it stands exactly as written
// (ThunarActionElement); `*found` tells whether it did.
std::string WithoutThunarAction(const std::string& uca, const FileAction& action, bool* found);

// Takes that element out of the user's Thunar uca.xml. A file left with nothing but what it was
// made from (the system's uca.xml, or no actions at all) is removed, so that Thunar reads the
// system's again. `removed`, when given, tells whether the element was there.
Outcome RemoveThunarAction(const FileAction& action, bool* removed = nullptr);

}  // namespace plat
