# Turns a file into a C++ source holding its bytes: cmake -DIN=... -DOUT=... -DNAME=... -P EmbedFile.cmake
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUT}.tmp" "// Generated from ${IN}; do not edit.\nextern const unsigned char ${NAME}Bytes[];\nextern const unsigned long ${NAME}Size;\nconst unsigned char ${NAME}Bytes[] = {\n${bytes}0};\nconst unsigned long ${NAME}Size = ${size};\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
