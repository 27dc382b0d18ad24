#pragma once
// Single attribute steps of the coding transaction, each checked: a write must store every
// byte, a removal of an attribute that is already gone counts as done.
#include <cstddef>
#include <string>

#include "platform/Node.h"
#include "platform/NodeInfo.h"
#include "platform/Outcome.h"

// Room for a type or an application signature as text, terminator included: what the file's
// type and preferred application can be set back to on decoding. Longer values are refused,
// not cut, so that a file is never coded with a stash that could not be put back.
constexpr size_t kAttrTextMax = plat::B_MIME_TYPE_LENGTH;

plat::Outcome WriteWhole(plat::Node& node, const char* name, plat::type_code type, const void* data,
                         size_t len);
// Writes `text` with its terminating zero, as a 'CSTR' value.
plat::Outcome WriteText(plat::Node& node, const char* name, const char* text);
plat::Outcome RemoveIfThere(plat::Node& node, const char* name);

// Reads a text value into `text` (kAttrTextMax bytes), terminated, up to its first zero byte.
// `*found` tells whether the attribute exists and holds any text; a text that does not fit
// fails.
plat::Outcome ReadText(const plat::Node& node, const char* name, char* text, bool* found);

// Reads attribute `name` into `bits` when its value has exactly `size` bytes; `*found` tells
// whether it had. A value of another size is no icon and is left alone.
plat::Outcome ReadExact(const plat::Node& node, const char* name, void* bits, size_t size,
                        bool* found);
