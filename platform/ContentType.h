#pragma once
// A file's MIME type as the desktop sees it: the type stored with the file (user.mime_type) when
// it has one, otherwise shared-mime-info's guess from its name and contents.
#include <string>

namespace plat {

// Empty when the file does not exist (a link is followed) or nothing can be said of it.
std::string ContentTypeOf(const std::string& path);

}  // namespace plat
