#pragma once
// The program's settings: the main window's position, its background colour and the
// "watch Folder" flag, kept from one run to the next in a 13-byte file in the settings folder
// (user settings folder / "_KR_x-vnd.Telva" / "murvel_settings"), plus the paths of the optional
// background image and of the codec folder.
//
// File layout, little-endian, no header:
//   0  4  WIN_X      IEEE 754 single precision
//   4  4  WIN_Y      IEEE 754 single precision
//   8  4  backcolor  red, green, blue, alpha
//  12  1  wtfold     0 off, 1 on
#include <cstdint>

#include "platform/rgb_color.h"

// Left and top edge of the main window. Width and height until Getsettings has run, which turns
// them into the right and bottom edge.
extern float WIN_X;
extern float WIN_Y;
extern float WIN_W;
extern float WIN_H;
extern rgb_color backcolor;
extern uint8_t wtfold;
// Path of the background image file, and of the codec folder beside the program.
extern char Getsetbackimage[1024];
extern char path2scan[1024];

// The settings folder inside the user settings folder, and the files in it.
constexpr const char* kSettingsFolderName = "_KR_x-vnd.Telva";
constexpr const char* kSettingsFileName = "murvel_settings";
constexpr const char* kBackImageName = "murvel_image";

// Loads the settings file `name` (a leaf name; "murvel_settings" when it is none). False when
// there is no user settings folder or the file cannot be opened and read; then nothing changes.
// Fields a short file lacks keep their values; an unusable position keeps its value too.
bool Getsettings(const char* name);
// Writes the settings file `name` from the variables, replacing the old file in one step.
void Setsettings(const char* name);
// Sets path2scan to the codec folder: "codec" in the folder of the program's executable.
void GetPath2APP();

// Puts every variable back to its start value (a fresh program; used by tests and tools).
void ResetSettings();
