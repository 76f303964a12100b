# The packages: on Windows a ZIP and an installer, on Linux a .deb
# (cmake/package-deb.cmake).
#
# The ZIP is unpacked by the user into a folder of their own: its root holds
# the program and morvane-probe, the sample list file that the program reads
# from its working folder, the READMEs (English, and the Japanese guide) and the
# licence. The installer (packaging/windows/NSIS.template.in) installs the same
# files for one user, with the launcher morvane-task.exe that Task Scheduler
# starts. From the windows-release build:
#   cmake --build --preset windows-release --target package
#   (or cpack --config build/windows-release/CPackConfig.cmake, from anywhere)
#   -> build/windows-release/morvane-<version>-win64.zip,
#      build/windows-release/morvane-<version>-win64-setup.exe and their .sha256
if(WIN32)
  install(TARGETS morvane morvane-probe RUNTIME DESTINATION .)
  install(FILES
    ${PROJECT_SOURCE_DIR}/arduino_portname.txt
    ${PROJECT_SOURCE_DIR}/README.md
    ${PROJECT_SOURCE_DIR}/packaging/windows/README-ja.txt
    ${PROJECT_SOURCE_DIR}/LICENSE
    DESTINATION .)
  set(CPACK_GENERATOR ZIP NSIS)
  set(CPACK_SYSTEM_NAME win64)
  # The files straight at the root: unpacked, morvane.exe and its list file
  # stand side by side in the folder the user chose.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  # The installer's script is the project's own template; the launcher is
  # taken from the build, as the ZIP has no use for it.
  set(CPACK_MODULE_PATH ${PROJECT_SOURCE_DIR}/packaging/windows)
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/windows/cpack_names.cmake)
  set(CPACK_NSIS_EXECUTABLE_PRE_ARGUMENTS -INPUTCHARSET UTF8)
  get_target_property(launcher_folder morvane-task BINARY_DIR)
  set(CPACK_MORVANE_LAUNCHER ${launcher_folder}/morvane-task.exe)
else()
  include(${CMAKE_CURRENT_LIST_DIR}/package-deb.cmake)
endif()

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "The morvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Shows the keyboard's input state on an RGB LED lamp")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# Into the build folder, wherever cpack is run from.
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGE_CHECKSUM SHA256)

include(CPack)
