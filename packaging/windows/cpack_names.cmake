# Read by cpack for each of its generators: the installer is named apart
# from the ZIP beside it.
if(CPACK_GENERATOR STREQUAL "NSIS")
  string(APPEND CPACK_PACKAGE_FILE_NAME "-setup")
endif()
