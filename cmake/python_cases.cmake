# add_python_cases(FILE PREFIX name TIMEOUT s [ENVIRONMENT var=value...]
#                  [LAUNCHER command...] [PROPERTIES prop value...])
#
# One CTest test per unittest case of a Python test file, named
# PREFIX.<case without test_>: CTest names what failed and runs cases side by
# side. unittest's own loader lists the cases (tests/harness/list_cases.py),
# importing the file without the environment its tests get; CMake lists them
# again when the file, or a module of the tests that it imports, changes.
# LAUNCHER runs each case's Python (as root, for one).
#
# HARNESS_PYTHON runs Python with the shared harness (tests/harness) on its
# path: every case runs through it, and so does a script that is no suite.
get_filename_component(HARNESS_PYTHON ${CMAKE_CURRENT_LIST_DIR}/../tests/harness/python ABSOLUTE)

function(add_python_cases file)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "PREFIX;TIMEOUT" "ENVIRONMENT;LAUNCHER;PROPERTIES")
  get_filename_component(path ${file} ABSOLUTE)
  get_filename_component(folder ${path} DIRECTORY)
  execute_process(
    COMMAND ${HARNESS_PYTHON} ${CMAKE_SOURCE_DIR}/tests/harness/list_cases.py ${path}
    OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "unittest's loader cannot list the cases of ${file}:\n${errors}")
  endif()
  string(REGEX REPLACE "\n$" "" listing "${listing}")
  string(REPLACE "\n" ";" lines "${listing}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^file (.+)$")
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_MATCH_1})
    elseif(line MATCHES "^case (.+)$")
      set(id ${CMAKE_MATCH_1})
      string(REGEX REPLACE ".*\\.test_?" "" case ${id})
      set(name ${arg_PREFIX}.${case})
      add_test(NAME ${name} COMMAND ${arg_LAUNCHER} ${HARNESS_PYTHON} -m unittest -v ${id}
        WORKING_DIRECTORY ${folder})
      set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "${arg_ENVIRONMENT}"
        TIMEOUT ${arg_TIMEOUT}
        ${arg_PROPERTIES})
    endif()
  endforeach()
endfunction()
