# Writes OUTPUT, a C++ file defining the const char* const VARIABLE in namespace keynoded with the
# content of INPUT.
file(READ "${INPUT}" content)
string(FIND "${content}" ")embedded\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the raw-string delimiter")
endif()
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT}; do not edit.\n#include \"${HEADER}\"\n\nnamespace keynoded {\nconst char* const ${VARIABLE} = R\"embedded(${content})embedded\";\n} // namespace keynoded\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
