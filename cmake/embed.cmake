# Turns a binary file into a C++ source that defines it as a byte array.
#   cmake -DIN=file -DOUT=file.cpp -DNAME=symbol -P embed.cmake
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUT}.tmp" "// Generated from ${IN}; do not edit.\n#include <cstddef>\nextern const unsigned char ${NAME}[] = {\n${bytes}0};\nextern const size_t ${NAME}_size = ${size};\n")
file(RENAME "${OUT}.tmp" "${OUT}")
