# add_python_cases(FILE [PREFIX name] [TIMEOUT s] [ENVIRONMENT var=value...]
#                  [PROPERTIES prop value...])
#
# One CTest test per unittest case of a Python test file, named
# PREFIX.<case without test_>: CTest names what failed and runs cases side by
# side, and the file alone says which cases there are. The cases are read from
# the file's text (a "class" line, then its "def test_" lines), since
# importing it would need the environment its tests get; CMake reads the file
# again when it changes. The tests find the shared harness (tests/harness) on
# PYTHONPATH; HARNESS_PYTHONPATH is that path, for a script that is no suite.
get_filename_component(HARNESS_PYTHONPATH ${CMAKE_CURRENT_LIST_DIR}/../tests ABSOLUTE)

function(add_python_cases file)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "PREFIX;TIMEOUT" "ENVIRONMENT;PROPERTIES")
  get_filename_component(path ${file} ABSOLUTE)
  get_filename_component(module ${path} NAME_WE)
  get_filename_component(folder ${path} DIRECTORY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
  set(environment ${arg_ENVIRONMENT} PYTHONPATH=${HARNESS_PYTHONPATH} PYTHONDONTWRITEBYTECODE=1)
  file(STRINGS ${path} lines REGEX "^(class [A-Za-z0-9_]+|    def test_[a-z0-9_]+)\\(")
  set(class "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^class ([A-Za-z0-9_]+)")
      set(class ${CMAKE_MATCH_1})
    elseif(line MATCHES "def test_([a-z0-9_]+)")
      set(name ${arg_PREFIX}.${CMAKE_MATCH_1})
      add_test(NAME ${name}
        COMMAND Python3::Interpreter -m unittest -v ${module}.${class}.test_${CMAKE_MATCH_1}
        WORKING_DIRECTORY ${folder})
      set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "${environment}"
        TIMEOUT ${arg_TIMEOUT}
        ${arg_PROPERTIES})
    endif()
  endforeach()
endfunction()
