# Writes OUTPUT, a header defining BRENLOW_SOURCE_COMMIT as `git describe` of SOURCE_DIR, or
# "unknown" when SOURCE_DIR is not the top of a git checkout (a source archive unpacked inside some
# other checkout must not take that one's commit). The file is left alone when the text is the
# same, so an unchanged commit rebuilds nothing.
set(commit "unknown")
find_package(Git QUIET)
if(GIT_FOUND)
  # Other git commands in the same tree must never find the index locked by a build.
  set(ENV{GIT_OPTIONAL_LOCKS} 0)
  execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --show-toplevel
                  WORKING_DIRECTORY "${SOURCE_DIR}" OUTPUT_VARIABLE top RESULT_VARIABLE failed
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT failed)
    file(REAL_PATH "${top}" top)
    file(REAL_PATH "${SOURCE_DIR}" source)
  endif()
  if(NOT failed AND top STREQUAL source)
    execute_process(COMMAND "${GIT_EXECUTABLE}" describe --always --dirty
                    WORKING_DIRECTORY "${SOURCE_DIR}" OUTPUT_VARIABLE described RESULT_VARIABLE failed
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT failed AND described)
      set(commit "${described}")
    endif()
  endif()
endif()
set(text "#pragma once\n#define BRENLOW_SOURCE_COMMIT \"${commit}\"\n")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
endif()
if(NOT previous STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
