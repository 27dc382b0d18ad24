#pragma once
// Whether an attribute value read from a file is a codec record at all: a value another program
// left, a damaged one, or one cut short is told apart from a record this program (or any coder
// that follows docs/privcodec-format.md) wrote, before anything is decoded with it.
#include <cstddef>
#include <string>

// True when the `count` bytes at `value` (as read from the "PrivCodec" attribute) are one whole,
// consistent record:
//   - the value is exactly L + 1 bytes, L being its first byte, and L >= 9 (the fixed fields);
//   - the byte at offset L is zero;
//   - the six time-code bytes lie in their ranges (seconds 13..73, a leap second included;
//     minutes 12..71; hours 11..34; month 22..33; day 24..54; the year byte may be anything);
//   - unscrambled, the name length n leaves room for the password length byte inside the line,
//     and 9 + n + p is exactly L.
// Every value that CCO::CodeLine() makes passes, for any name and password (the long-name cut
// included) and any moment of the clock; so do the format's test vectors. Nothing outside
// value[0 .. count - 1] is read. When false and `why` is not null, *why says which rule the value
// breaks in lengths and field names only: never a byte of the value, which holds the password.
bool IsWholeRecord(const char* value, size_t count, std::string* why);
