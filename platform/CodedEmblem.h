#pragma once
// The mark that file managers show on a coded file: GIO's per-file metadata "metadata::emblems",
// which GVfs's metadata daemon keeps for the session and Nemo and Caja draw over the file's icon.
// A coded file gets the lock emblem, a decoded one loses it; then the file's watchers are told
// of an attribute change, on which file managers read its emblem again.
//
// GIO is loaded (dlopen) at the first mark, and only when the session has a message bus, through
// which the metadata daemon is reached; the programs link no GLib, and murvelctl outside a
// desktop session never loads it. Where the bus, GIO or the daemon is missing nothing happens.
// A mark that cannot be set is no failure of the coding: nothing is reported.
//
// The emblem never holds up the work: each call waits half a second at most for GIO, and once
// one has overrun, no other is tried for the rest of the run (a bus that takes the connection
// and never answers would keep GIO waiting for ever). Signals reach the program meanwhile.
#include <string>

namespace plat {

// The emblem's icon name in the icon theme: the padlock of the freedesktop icon themes.
constexpr const char* kCodedEmblem = "emblem-readonly";

// Sets (`coded`) or removes the emblem of the file at `path`.
void SetCodedEmblem(const std::string& path, bool coded);

// The emblems GIO's metadata holds for the file at `path`, comma-separated ("" for none, or when
// the metadata cannot be read in time). For tests and tools.
std::string CodedEmblemsOf(const std::string& path);

}  // namespace plat
