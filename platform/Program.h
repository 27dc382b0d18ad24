#pragma once
// What this program is, for every library that must say it: its signature and the name derived
// from it (desktop entry, icons, file-manager entries), and the password rule that the window
// and murvelctl share.
#include <cstddef>

namespace plat {

// The application's signature; the preferred application of the coded type names it.
#define MURVEL_PROGRAM_ID "x-vnd.Telva-Murvel"
constexpr const char* kProgramSignature = "application/" MURVEL_PROGRAM_ID;
// The signature without "application/": the desktop entry's, the icons' and the file-manager
// entries' name.
constexpr const char* kProgramId = MURVEL_PROGRAM_ID;
// The XML namespace of the program's own elements in the type package.
constexpr const char* kProgramNamespace = "urn:" MURVEL_PROGRAM_ID ":mime";
#undef MURVEL_PROGRAM_ID

// Only the first this many bytes of a coding password count, in the window and in murvelctl.
constexpr size_t kPasswordMax = 20;
// The longest password a seal takes, in the window and in murvelctl: all of it counts (a seal's
// password is cut nowhere).
constexpr size_t kSealPasswordMax = 250;

}  // namespace plat
