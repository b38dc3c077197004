# Writes OUTPUT, a C++ file defining in namespace keynoded the array VARIABLE with the content of INPUT
# compressed with gzip (a fourteenth of the text), VARIABLESize with its length and VARIABLETextSize with
# the length of the text.
get_filename_component(name "${INPUT}" NAME)
set(compressed "${OUTPUT}.gz")
file(ARCHIVE_CREATE OUTPUT "${compressed}" PATHS "${INPUT}" FORMAT raw COMPRESSION GZip COMPRESSION_LEVEL 9)
file(READ "${compressed}" bytes HEX)
file(REMOVE "${compressed}")
file(SIZE "${INPUT}" size)
# The gzip header's modification time is zeroed, so that the same text gives the same program.
string(SUBSTRING "${bytes}" 0 8 head)
string(SUBSTRING "${bytes}" 16 -1 tail)
string(REGEX REPLACE "(..)" "0x\\1," bytes "${head}00000000${tail}")
file(WRITE "${OUTPUT}.tmp" "// Generated from ${name}; do not edit.\n#include \"${HEADER}\"\n\nnamespace keynoded {\n"
           "extern const unsigned char ${VARIABLE}[] = {${bytes}};\n"
           "extern const std::size_t ${VARIABLE}Size = sizeof ${VARIABLE};\n"
           "extern const std::size_t ${VARIABLE}TextSize = ${size};\n} // namespace keynoded\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
