#pragma once
// The program's own icons in the 8-bit colour map (rows top to bottom, index 255 transparent):
// a page with a padlock. They are the icons of the coded-file type and the picture the password
// view shows for a file without an icon of its own.
#include <cstdint>

extern const uint8_t DataBBits[1024];  // 32 x 32
extern const uint8_t DataLBits[256];   // 16 x 16
