# SPDX-License-Identifier: MIT
# Every picture the user guide shows exists (tools/guide-shots.sh makes them).
# cmake -DGUIDE=docs/guide.md -P check_guide.cmake
file(READ "${GUIDE}" text)
get_filename_component(folder "${GUIDE}" DIRECTORY)
string(REGEX MATCHALL "!\\[[^]]*\\]\\(([^)]+)\\)" links "${text}")
set(count 0)
foreach(link IN LISTS links)
  string(REGEX REPLACE "!\\[[^]]*\\]\\(([^)]+)\\)" "\\1" picture "${link}")
  if(NOT EXISTS "${folder}/${picture}")
    message(FATAL_ERROR "${GUIDE} shows ${picture}, which does not exist")
  endif()
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "${GUIDE} shows no pictures")
endif()
