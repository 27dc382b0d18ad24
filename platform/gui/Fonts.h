#pragma once
// The two fonts of the desktop: the application's default font, plain and bold, at a size in
// pixels (the sizes the layout gives, 9 to 11, are pixel heights), or at its own default size.
//
// Every property is set explicitly, so a widget given one of these fonts does not take the bold
// weight or the size of its parent's font (Qt hands fonts down the widget tree; the views of the
// layout each have their own).
#include <QFont>

class QString;

namespace plat {

QFont PlainFont(float size);
QFont BoldFont(float size);
// The default font, plain, at its default size.
QFont DefaultFont();

// `font` made smaller a pixel at a time, down to 6 pixels, until `text` fits into `width` pixels:
// a label of a fixed frame keeps its last characters even where the desktop's font runs wider
// than the frame was drawn for.
QFont FittingFont(QFont font, const QString& text, int width);

}  // namespace plat
