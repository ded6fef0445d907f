# Writes OUTPUT, a C++ source defining `const char* FUNCTION()` that returns the text of INPUT, as
# bytes rather than a string literal so that no length limit or escaping applies.
file(READ ${INPUT} content HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${content}")
string(REGEX REPLACE "(('[^']*',){24})" "\\1\n    " bytes "${bytes}")
file(WRITE ${OUTPUT}.new "// Made from ${INPUT} by embed_script.cmake.\n#include \"report/comparisons_script.h\"\n\n"
  "namespace brenlow {\n\nconst char* ${FUNCTION}() {\n    static const char text[] = {\n    ${bytes}'\\0'};\n"
  "    return text;\n}\n\n}  // namespace brenlow\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
