#pragma once
// The program's own icon, built into the program from dist/icons (settings/EmbedFile.cmake):
// the SVG and its 48x48 rendering, as the bytes of those files.
#include <string_view>

std::string_view AppIconSvg();
std::string_view AppIconPng48();
