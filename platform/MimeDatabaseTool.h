#pragma once
// Rebuilding a freedesktop MIME database folder with shared-mime-info's update-mime-database.
#include <string>

#include "platform/Outcome.h"

namespace plat {

// Runs update-mime-database on `mimeDir` and waits for it; its standard output is dropped, so
// that ours carries the program's own lines only. A missing tool is no failure: the package
// files are in place and the tool's next run picks them up.
Outcome UpdateMimeDatabase(const std::string& mimeDir);

}  // namespace plat
