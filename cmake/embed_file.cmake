# Script mode: writes OUTPUT, a C++ source that holds the bytes of INPUT as the array
# corvanti::embedded::k<NAME> with its size k<NAME>Size.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
set(text "// Generated from ${INPUT} by cmake/embed_file.cmake; do not edit.\n")
string(APPEND text "#include <cstddef>\n\nnamespace corvanti::embedded {\n")
string(APPEND text "extern const unsigned char k${NAME}[];\nextern const std::size_t k${NAME}Size;\n")
string(APPEND text "const unsigned char k${NAME}[] = {\n${body}\n};\n")
string(APPEND text "const std::size_t k${NAME}Size = ${size};\n}  // namespace corvanti::embedded\n")
file(WRITE "${OUTPUT}.tmp" "${text}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
