# The package a user unpacks into a folder of their own: a ZIP whose root
# holds the program (installed by src/CMakeLists.txt), the sample list file
# that the program reads from its working folder, the README and the
# licence. From the windows-release build:
#   cmake --build --preset windows-release --target package
#   (or cpack --config build/windows-release/CPackConfig.cmake, from anywhere)
#   -> build/windows-release/morvane-<version>-win64.zip and its .sha256
install(FILES
  ${PROJECT_SOURCE_DIR}/arduino_portname.txt
  ${PROJECT_SOURCE_DIR}/README.md
  ${PROJECT_SOURCE_DIR}/LICENSE
  DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "The morvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Shows the keyboard's input state on an RGB LED lamp")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
if(WIN32)
  set(CPACK_SYSTEM_NAME win64)
endif()
# The files straight at the root: unpacked, morvane.exe and its list file
# stand side by side in the folder the user chose.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Into the build folder, wherever cpack is run from.
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGE_CHECKSUM SHA256)

include(CPack)
