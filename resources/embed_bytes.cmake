# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P embed_bytes.cmake
# Writes the bytes of INPUT as
#   extern const unsigned char name[] = {...}; extern const unsigned long nameSize = N;
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
# Break the one long line every 16 bytes.
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n" body "${body}")
file(WRITE ${OUTPUT}
  "// Generated from ${INPUT}; do not edit.\n"
  "namespace pindrel::resources {\n"
  "extern const unsigned char ${SYMBOL}[] = {\n${body}\n};\n"
  "extern const unsigned long ${SYMBOL}Size = ${size};\n"
  "}  // namespace pindrel::resources\n")
