#pragma once
// Image files decoded into pictures (what the desktop's translation service did): the format
// is told by the contents, not by the name.
#include <string>

#include "platform/Outcome.h"

class QImage;

namespace plat {

// Decodes the image file at `path` into `image`. Fails when the file cannot be read or no
// decoder accepts its contents; `image` is left alone then.
Outcome LoadImageFile(const std::string& path, QImage* image);

}  // namespace plat
