#pragma once
// What a drop on a window becomes: Qt's drag data turned into the message the window handles.
// Needs no window, so it can be exercised on any data.
#include "platform/gui/Message.h"

class QMimeData;

namespace plat {

// The message that a drop of `data` becomes: local file URLs as "refs", text as "text/plain"
// (B_MIME_TYPE) when there are neither local file URLs nor a colour, a colour (application/x-color)
// as "RGBColor" (B_RGB_COLOR_TYPE, four bytes red, green, blue, alpha). Its code is B_SIMPLE_DATA;
// it is not yet marked as dropped.
Message MessageFromMimeData(const QMimeData& data);
// Whether `data` holds anything MessageFromMimeData() takes.
bool AcceptsMimeData(const QMimeData& data);

}  // namespace plat
