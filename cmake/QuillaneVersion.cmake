# SPDX-License-Identifier: MIT
# The version of Quillane is set once, in the library's public header
# (QUILLANE_VERSION_MAJOR, _MINOR and _REVISION in analysis/quillane.h): the
# library reports it, the programs refuse a library of another major or minor
# version, and the build, the shared object's name and the packages take it
# from there.  Included before project(), which gets QUILLANE_VERSION.
set(_quillane_header "${CMAKE_CURRENT_LIST_DIR}/../analysis/quillane.h")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_quillane_header}")
foreach(_part MAJOR MINOR REVISION)
  file(STRINGS "${_quillane_header}" _line
       REGEX "^#define QUILLANE_VERSION_${_part} +[0-9]+ *$")
  if(NOT _line MATCHES "^#define QUILLANE_VERSION_${_part} +([0-9]+) *$")
    message(FATAL_ERROR "analysis/quillane.h defines no QUILLANE_VERSION_${_part}")
  endif()
  set(QUILLANE_VERSION_${_part} "${CMAKE_MATCH_1}")
endforeach()
set(QUILLANE_VERSION
    "${QUILLANE_VERSION_MAJOR}.${QUILLANE_VERSION_MINOR}.${QUILLANE_VERSION_REVISION}")
unset(_quillane_header)
unset(_line)
unset(_part)
