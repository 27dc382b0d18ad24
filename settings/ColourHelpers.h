#pragma once
// Colour text and readable text colours: the colour text is six hexadecimal digits RRGGBB,
// optionally preceded by "#".
#include <cstddef>
#include <cstdint>

#include "platform/rgb_color.h"

// The value 0..15 of one hexadecimal digit character; any other character gives 0.
uint8_t h2u(char c);

// Sets `color` from a colour text: red, green and blue from the six digit positions after an
// optional "#" (printed on standard output when present), alpha 0. Stops at the text's
// terminating zero, which, like any non-digit, counts as 0; nothing behind the six positions
// is read.
void txt2col(const char* text, rgb_color* color);

// The colour of colour text dropped on the window: the first six of its `size` bytes (a shorter
// text padded with zero bytes) read by txt2col, so a leading "#" costs the last digit.
rgb_color ColourOfDropText(const void* text, size_t size);
// The colour of a colour picker's drop, given as red, green and blue bytes: read as its six-digit
// colour text would be, so alpha is 0 like that of any dropped colour.
rgb_color ColourOfPickedColour(const uint8_t rgb[3]);

// A text colour readable on `background`: dark (12, 12, 12) when any of red, green, blue is
// 122 or more, else light (250, 250, 250); alpha 225.
rgb_color GetTextCol(rgb_color background);
