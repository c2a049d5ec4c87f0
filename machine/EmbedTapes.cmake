# cmake -DOUT=file.cpp -DTAPES="a.tap|b.tap" -DNAMES="kA|kB" -P EmbedTapes.cmake
# Writes each companion tape into C++ as an array of its bytes.
string(REPLACE "|" ";" TAPES "${TAPES}")
string(REPLACE "|" ";" NAMES "${NAMES}")
set(text "// Made by machine/EmbedTapes.cmake from the assembled tapes.\n#include <cstdint>\n\nnamespace bitreel {\n")
foreach(tape name IN ZIP_LISTS TAPES NAMES)
  file(READ ${tape} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(APPEND text "extern const std::uint8_t ${name}[${size}];\n"
                     "const std::uint8_t ${name}[${size}] = {\n    ${bytes}\n};\n"
                     "extern const std::uint32_t ${name}Size;\n"
                     "const std::uint32_t ${name}Size = ${size};\n")
endforeach()
string(APPEND text "} // namespace bitreel\n")
file(WRITE ${OUT}.new "${text}")
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.new)
