#pragma once
// The two fonts of the desktop: the application's default font, plain and bold, at a size in
// pixels (the sizes the layout gives, 9 to 11, are pixel heights).
#include <QFont>

namespace plat {

QFont PlainFont(float size);
QFont BoldFont(float size);

}  // namespace plat
