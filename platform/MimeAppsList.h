#pragma once
// The user's choice of default applications, $XDG_CONFIG_HOME/mimeapps.list: its
// "[Default Applications]" section maps a MIME type to desktop ids ("type=id;").
#include <string>

namespace plat {

// `list` with "<type>=<desktopId>;" as the type's default, every other line kept as it was.
// The section is added at the end when the list has none.
std::string WithDefaultApp(const std::string& list, const std::string& type,
                           const std::string& desktopId);

// The first desktop id given as the default of `type` in `list`; false when there is none.
bool DefaultAppOf(const std::string& list, const std::string& type, std::string* desktopId);

}  // namespace plat
