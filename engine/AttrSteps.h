#pragma once
// Single attribute steps of the coding transaction, each checked: a write must store every
// byte, a removal of an attribute that is already gone counts as done.
#include <cstddef>
#include <string>

#include "platform/Node.h"
#include "platform/Outcome.h"

// Room for a type or an application signature as text (longer values are refused, not cut).
constexpr size_t kAttrTextMax = 1024;

plat::Outcome WriteWhole(plat::Node& node, const char* name, plat::type_code type, const void* data,
                         size_t len);
// Writes `text` with its terminating zero, as a 'CSTR' value.
plat::Outcome WriteText(plat::Node& node, const char* name, const char* text);
plat::Outcome RemoveIfThere(plat::Node& node, const char* name);

// Reads a text value into `text` (kAttrTextMax bytes), terminated, up to its first zero byte.
// `*found` tells whether the attribute exists and holds any text.
plat::Outcome ReadText(const plat::Node& node, const char* name, char* text, bool* found);

// Reads attribute `name` into `bits` when its value has exactly `size` bytes; `*found` tells
// whether it had. A value of another size is no icon and is left alone.
plat::Outcome ReadExact(const plat::Node& node, const char* name, void* bits, size_t size,
                        bool* found);
