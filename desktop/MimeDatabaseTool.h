#pragma once
// Rebuilding the freedesktop caches of a data folder with their tools: shared-mime-info's
// update-mime-database for the MIME database, desktop-file-utils' update-desktop-database for the
// index of which desktop entries open which types (mimeinfo.cache, read by GIO and so by the
// GTK file managers, "Open With" among them).
#include <string>

#include "platform/Outcome.h"

namespace plat {

// Runs update-mime-database on `mimeDir` and waits for it.
Outcome UpdateMimeDatabase(const std::string& mimeDir);

// Runs update-desktop-database on `applicationsDir` and waits for it.
Outcome UpdateDesktopDatabase(const std::string& applicationsDir);

// Both drop the tool's standard output, so that ours carries the program's own lines only. A
// missing tool is no failure: the files are in place and the tool's next run picks them up.

}  // namespace plat
