#pragma once
// The user's choice of default applications, $XDG_CONFIG_HOME/mimeapps.list: its
// "[Default Applications]" section maps a MIME type to desktop ids ("type=id;").
#include <string>

namespace plat {

// `list` with the line "<type>=<desktopId>;" added as the type's default when the list gives the
// type no default yet; a list that gives one already (any, the user's own choice included) comes
// back as it was. Every byte of the list is kept: the line goes after the last entry of the
// first "[Default Applications]" section, or into a new section at the end.
std::string WithDefaultAppIfUnset(const std::string& list, const std::string& type,
                                  const std::string& desktopId);

// `list` without the line "<type>=<desktopId>;" of its default sections, the line
// WithDefaultAppIfUnset adds; any other default of the type (the user's own, or ours beside
// others) stays, and so does every other byte.
std::string WithoutDefaultApp(const std::string& list, const std::string& type,
                              const std::string& desktopId);

// The first desktop id given as the default of `type` in `list`; false when there is none.
bool DefaultAppOf(const std::string& list, const std::string& type, std::string* desktopId);

}  // namespace plat
