#pragma once
// The program's settings file: the settings value (settings/SettingsFormat.h) kept from one run
// to the next in user settings folder / "_KR_x-vnd.Telva" / "murvel_settings", the optional
// background image beside it, and the path of the codec folder beside the program.
#include <string>
#include <vector>

#include "platform/Outcome.h"
#include "settings/SettingsFormat.h"

// Path of the codec folder beside the program.
extern char path2scan[1024];

// The settings folder inside the user settings folder, and the files in it.
constexpr const char* kSettingsFolderName = "_KR_x-vnd.Telva";
constexpr const char* kSettingsFileName = "murvel_settings";
constexpr const char* kBackImageName = "murvel_image";

// The path of the settings file `name` (a leaf name; "murvel_settings" when it is none): user
// settings folder / "_KR_x-vnd.Telva" / name. With `createFolder` the user settings folder is
// made when missing. Fails when there is no user settings folder.
plat::Outcome SettingsFilePath(const char* name, bool createFolder, std::string* path);

// Reads at most `size` bytes of the file at `path` (a settings file or one beside it) into `buf`,
// `*got` of them, as LoadSettings reads: only a regular file, a link followed as SettingsEntry
// allows, and nothing else ever opened.
plat::Outcome ReadSettingsBytes(const std::string& path, uint8_t* buf, size_t size, size_t* got);

// Reads the settings file at `path` into *settings (see ParseSettings: fields a short file lacks
// keep their values; `notes` gets a line for each unusable position). Fails, leaving *settings as
// it was, when nothing there can be read or it is no regular file; nothing else is ever opened.
plat::Outcome LoadSettings(const std::string& path, Settings* settings,
                           std::vector<std::string>* notes);

// Replaces the settings file at `path` with the 13 bytes of `settings` in one step, when what the
// path leads to is a regular file or nothing. Anything else there (a FIFO, a device, a folder,
// a link to one of them or a loop of links) is left alone and the outcome says why.
plat::Outcome SaveSettings(const std::string& path, const Settings& settings);

// The loading and saving of the start-up and the quit, with their lines on standard output.
// Getsettings: "reading  SettingsFile" and the path, then the unusable fields' lines, or
// "Can't Getsettings" (false, *settings unchanged) when the file cannot be read, or
// "Can't find user_settings_folder" when there is no user settings folder.
bool Getsettings(const char* name, Settings* settings);
// Setsettings: "Path: '...'", on failure "can't set(fn)!" and a line saying why, then
// "Ende Setsettings"; or "Can't find user_settings_folder" and "Ende Setsettings".
plat::Outcome Setsettings(const char* name, const Settings& settings);

// The background image's path: settings folder / "murvel_image", whether or not there is such a
// file; empty when there is no user settings folder.
std::string BackImagePath();

// Sets path2scan to the codec folder: "codec" in the folder of the program's executable.
void GetPath2APP();

// Puts path2scan back to its start value, empty (a fresh program; used by tests and tools).
void ResetSettings();
