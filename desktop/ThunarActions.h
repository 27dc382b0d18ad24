#pragma once
// Thunar's custom actions: the user's $XDG_CONFIG_HOME/Thunar/uca.xml, an <actions> element
// holding one <action> per context-menu entry. Thunar reads the first uca.xml it finds, the
// user's before the system's ($XDG_CONFIG_DIRS/Thunar/uca.xml), so a user without one of their
// own sees the system's actions.
#include <string>

#include "desktop/FileManagerActions.h"
#include "platform/Outcome.h"

namespace plat {

// The <action> element for `action`, as Thunar itself writes one; its <unique-id> is the
// action's id followed by "-action", which is how a later start finds it again.
std::string ThunarActionElement(const FileAction& action);

// `uca` with the action merged in: an <action> with the same <unique-id> is replaced by ours
// (kept as it is when it already reads the same), else ours goes last, before </actions>. Every
// other byte of `uca` is kept. Fails, saying why, when `uca` is no well-formed <actions> file
// or not UTF-8: such a file is the user's to mend, not ours to replace.
Outcome WithThunarAction(const std::string& uca, const FileAction& action, std::string* merged);

// Merges the action into the user's uca.xml. A user without one starts from the system's, so
// that its actions stay in the menu; with neither, from an empty <actions>.
Outcome InstallThunarAction(const FileAction& action);

}  // namespace plat
