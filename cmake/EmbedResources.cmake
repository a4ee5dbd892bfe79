# Script mode: writes OUTPUT, a C++ file that holds every file of INPUTS as a byte array
# in a name-to-bytes table. The name is the file name without folder and extension,
# in lower case, which is how the program asks for a resource.
string(REPLACE "|" ";" INPUTS "${INPUTS}")
set(body "")
set(table "")
set(index 0)
foreach(input ${INPUTS})
  get_filename_component(name "${input}" NAME_WE)
  string(TOLOWER "${name}" name)
  file(READ "${input}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND body "static const unsigned char Resource${index}[] = {${bytes}0x00};\n")
  string(APPEND table "  {\"${name}\", Resource${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.tmp"
"// Generated from the files of resources/ at build time; do not edit.\n"
"#include \"storage/EmbeddedResources.h\"\n\n"
"${body}\n"
"const TEmbeddedResource EmbeddedResources[] = {\n${table}};\n"
"const int EmbeddedResourceCount = ${index};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
