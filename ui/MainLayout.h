#pragma once
// The views of the main window at their fixed frames, 118 x 190, from top to bottom: the file
// label in its raised panel, the password panel, the "watch Folder" check box in its sunken
// panel, and the buttons "Decode All" and "Do it", all on the raised background view
// "backview", the window's only direct child. Also the recolouring of these views. Tab goes
// from the password entry to the check box, "Decode All" and "Do it", in this order.
#include <cstdint>

#include "platform/TypeCodes.h"
#include "platform/rgb_color.h"

class QImage;
class CodeView;
class fView;
namespace plat {
class Button;
class CheckBox;
class StringView;
class Window;
}  // namespace plat

// Message codes of the window's controls.
constexpr uint32_t DEC_BUTT = plat::FourCC("DEBU");
constexpr uint32_t WTH_FOLD = plat::FourCC("HEBU");
constexpr uint32_t SAV_BUTT = plat::FourCC("SABU");

class MainLayout {
 public:
  // Builds the views into `window`: the background view coloured `color`, the check box set to
  // `watch`, the file label reading "-Drag a file-" on near-white. Recolouring is left to the
  // caller (Recolor()).
  MainLayout(plat::Window* window, rgb_color color, uint8_t watch);

  // Recolours the buttons, the password panel, the watch panel and check box and the background
  // view from `color`, or from the fixed grey while the background view has an image. The file
  // panel and label keep their colours.
  void Recolor(rgb_color color);

  // Tiles `image` over the background view (none when null) and marks the view as having an
  // image, so it and every later Recolor() use the grey.
  void SetBackgroundImage(const QImage* image);

  fView* backView;
  fView* askView;
  plat::StringView* askFile;
  plat::Button* sBut;
  plat::Button* decB;
  CodeView* cview;
  fView* wView;
  plat::CheckBox* wBut;
};
