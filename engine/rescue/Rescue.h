#pragma once
// Giving back a coded file whose record is lost: its bytes are turned back with the key found
// for them (or given by the user as the moment of coding), through the same journal, marker and
// recovery as any change (Engine.h, RescueRequest), so that a rescue cut short is settled by the
// next look. Here: the moments and keys, and the checks made before a rescue writes. No password
// plays a part: the key of the bytes is the time code alone. The attributes the record would
// have restored (type, preferred application, icons) were lost with it.
#include <cstdint>
#include <string>

#include "engine/journal/Fault.h"
#include "engine/rescue/ByteKind.h"
#include "engine/rescue/KeyFinder.h"

// The key of a coding made at the local time `text` ("YYYY-MM-DD HH:MM:SS"); false, with the
// reason, when the text is no such moment.
bool KeyFromMoment(const std::string& text, uint8_t key[6], Fault* why);

// The moment a key stands for, "YYYY-MM-DD HH:MM:SS".
std::string MomentOfKey(const uint8_t key[6]);

// Whether every part of `file` fits `key`, before a rescue writes: parts spread over the whole
// file (and its last few KiB more finely, where text added afterwards lies) must not look plain
// already. An empty fault when they fit; else why not (PartLooksPlain with the part's offset, or
// the read that failed).
Fault PartsFit(const std::string& file, const uint8_t key[6]);

// The look for the key of `file` (its first kKeyLookBytes), by the local clock: for the
// candidates of a key not certain.
KeyFinding LookAtFile(const std::string& file);

// What the first bytes of `file` are when turned back with `key` (unrecognised when they can't
// be read).
ByteKind KindOfFileWithKey(const std::string& file, const uint8_t key[6]);
