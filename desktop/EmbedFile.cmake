# Writes a C++ source file OUT whose function FUNCTION returns the bytes of the file IN as a
# std::string_view. Run as a script: cmake -DIN=... -DOUT=... -DFUNCTION=... -P EmbedFile.cmake
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
file(WRITE "${OUT}.tmp"
  "// Generated from ${IN}; do not edit.\n"
  "#include <string_view>\n\n"
  "namespace {\nconst char kBytes[] = {\n    ${bytes}};\n}  // namespace\n\n"
  "std::string_view ${FUNCTION}() {\n  return std::string_view(kBytes, ${size});\n}\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
