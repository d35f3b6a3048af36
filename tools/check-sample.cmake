# SPDX-License-Identifier: MIT
# Regenerates the sample log with its recorded options and fails unless both files
# equal the bundled ones byte for byte.
string(REPLACE ";" " " shown "${ARGS}")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${GENLOG}" ${ARGS} "${WORK}/QUILLON.DBF" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "quillon-genlog ${shown} failed: ${rc}")
endif()
foreach(name QUILLON.DBF QUILLON.DBT)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/${name}" "${SAMPLES}/${name}"
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${WORK}/${name} differs from ${SAMPLES}/${name}: the generator no longer "
                        "reproduces the sample (options: ${shown}); rebuild the target `sample` if the change is meant")
  endif()
endforeach()
message(STATUS "quillon-genlog ${shown} reproduces the bundled sample")
