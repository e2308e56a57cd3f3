# SPDX-License-Identifier: MIT
# Regenerates the example scan files and compares them with the committed ones,
# subfolders included.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${GEN} ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "make_examples failed: ${rc}")
endif()
file(GLOB_RECURSE generated RELATIVE ${OUT} ${OUT}/*)
foreach(f ${generated})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${f} ${SRC}/${f} RESULT_VARIABLE diff)
  if(NOT diff EQUAL 0)
    message(FATAL_ERROR "examples/${f} differs from what tools/make_examples writes")
  endif()
endforeach()
