#pragma once
// Which file the settings path may be read from and written to. The settings file may be a link
// to a file kept elsewhere, but a link is followed only to a regular file of the user running the
// program, and, when that user is root, only through folders that are root's own: a link that
// another user could have made (a settings folder reached through `sudo -E`) never makes root
// read or replace a file of its choosing. A link that leads nowhere is not made into a file.
#include <string>

#include "platform/Outcome.h"

// The entry to read or replace for the settings path `path`: `path` itself when it is no link
// (whatever is there, or nothing), else the regular file its links lead to. Fails, saying why,
// for a link that may not be followed.
plat::Outcome SettingsEntry(const std::string& path, std::string* entry);
