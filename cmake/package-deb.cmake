# The Linux package, a .deb, from the release build:
#   cmake --preset release && cmake --build --preset release
#   cpack --preset release
#   -> build/release/morvane_<version>_<arch>.deb and its .sha256
# The program and morvane-probe go on the PATH; the user service and its
# plug-in target, the udev rule and the manual pages where systemd, udev and
# man look; the sample list file and the autostart entry are examples for the
# user to copy.
set(MORVANE_DEB_MAINTAINER "The morvane developers <morvane@example.org>" CACHE STRING
  "The Maintainer field of the .deb")

set(linux_files ${PROJECT_SOURCE_DIR}/packaging/linux)
set(made_files ${CMAKE_BINARY_DIR}/packaging)
find_program(GZIP gzip REQUIRED)

# Compressed as Debian wants it: the best ratio, and no name or time stored,
# so that the same sources make the same package.
function(morvane_gzip source target)
  execute_process(COMMAND ${GZIP} -n9 -c ${source} OUTPUT_FILE ${target} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${source}: ${failed}")
  endif()
endfunction()

# The manual pages in English and, as the program speaks it, in Japanese.
foreach(page morvane.1 morvane-probe.1 ja/morvane.1 ja/morvane-probe.1)
  configure_file(${linux_files}/${page} ${made_files}/${page} @ONLY)
  morvane_gzip(${made_files}/${page} ${made_files}/${page}.gz)
endforeach()

file(READ ${linux_files}/changelog changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${linux_files}/changelog)
if(NOT changelog MATCHES "^${PROJECT_NAME} \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR
    "packaging/linux/changelog: its first entry must be for version ${PROJECT_VERSION}")
endif()
morvane_gzip(${linux_files}/changelog ${made_files}/changelog.gz)

# The machine-readable copyright file carries LICENSE as it stands: its
# holder line, and its text as a field's continuation lines.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)\n+(.*)" _ "${license}")
set(MORVANE_COPYRIGHT "${CMAKE_MATCH_1}")
string(STRIP "${CMAKE_MATCH_2}" license_text)
string(REPLACE "\n\n" "\n.\n" license_text "${license_text}")
string(REPLACE "\n" "\n " MORVANE_LICENSE_TEXT " ${license_text}")
configure_file(${linux_files}/copyright.in ${made_files}/copyright @ONLY)

install(TARGETS morvane morvane-probe RUNTIME DESTINATION bin)
# Stripped as Debian's own packages are: symbols, and the compilers' notes.
foreach(program morvane morvane-probe)
  install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --remove-section=.comment --remove-section=.note
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${program}\" COMMAND_ERROR_IS_FATAL ANY)")
endforeach()
install(FILES ${linux_files}/morvane.service ${linux_files}/morvane-board.target
  DESTINATION lib/systemd/user)
install(FILES ${linux_files}/70-morvane.rules DESTINATION lib/udev/rules.d)
install(FILES ${made_files}/morvane.1.gz ${made_files}/morvane-probe.1.gz DESTINATION share/man/man1)
install(FILES ${made_files}/ja/morvane.1.gz ${made_files}/ja/morvane-probe.1.gz
  DESTINATION share/man/ja/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${made_files}/copyright ${made_files}/changelog.gz
  DESTINATION share/doc/${PROJECT_NAME})
install(FILES ${PROJECT_SOURCE_DIR}/arduino_portname.txt ${linux_files}/morvane.desktop
  DESTINATION share/doc/${PROJECT_NAME}/examples)

set(CPACK_GENERATOR DEB)
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "morvane turns an RGB LED lamp on a USB serial microcontroller board into an\n"
  "indicator of the keyboard's input state: green while the input method is\n"
  "on, blue while it is off, red added for Caps Lock, dark while the screen\n"
  "saver runs. It reads fcitx5 or IBus, and Caps Lock and the screen saver\n"
  "from the X server.\n"
  "\n"
  "A systemd user service runs it with the desktop session, and a udev rule\n"
  "gives the user at the seat the serial ports of common lamp boards.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MORVANE_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
