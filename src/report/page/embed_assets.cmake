# Writes OUTPUT, a C++ file holding the page's charting library, our scripts and our style sheet as
# char arrays, so that the report page carries them and needs no file or network when it is opened.
# Called with OUTPUT, CHART_SCRIPT, PAGE_SCRIPTS (files joined by "|", in the order they run) and
# PAGE_STYLE, and COMPARISONS_SCRIPT (the viewer of decoded pictures, written only where some were kept).
set(source "// Made by embed_assets.cmake from the files it names; edit those instead.\n#include \"report/page_assets.h\"\n\nnamespace brenlow {\nnamespace {\n")
set(functions "")
set(index 0)

# Appends to `source` one array of the files' text, one after the other, and to `functions` the
# function that returns it.
function(embed function joined)
  string(REPLACE "|" ";" files "${joined}")
  set(hex "")
  foreach(file ${files})
    file(READ "${file}" content)
    string(TOLOWER "${content}" lowered)
    string(FIND "${lowered}" "</script" closing)
    if(NOT closing EQUAL -1)
      message(FATAL_ERROR "${file} holds \"</script\", which would end its element in the report page")
    endif()
    file(READ "${file}" file_hex HEX)
    string(APPEND hex "${file_hex}0a")
  endforeach()
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){40})" "\\1\n" bytes "${bytes}")
  set(source "${source}// ${joined}\nconst char kAsset${index}[] = {\n${bytes}0};\n" PARENT_SCOPE)
  set(functions "${functions}std::string_view ${function}() { return {kAsset${index}, ${size}}; }\n" PARENT_SCOPE)
  math(EXPR next "${index} + 1")
  set(index ${next} PARENT_SCOPE)
endfunction()

embed(chartLibraryScript "${CHART_SCRIPT}")
embed(reportPageScript "${PAGE_SCRIPTS}")
embed(reportPageStyle "${PAGE_STYLE}")
embed(comparisonsScript "${COMPARISONS_SCRIPT}")
string(APPEND source "\n}  // namespace\n\n${functions}\n}  // namespace brenlow\n")
file(WRITE "${OUTPUT}.new" "${source}")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
