# morvane_windows_api: how every Windows source of the project sees windows.h,
# the program's and the Wine tests' alike. The W functions speak UTF-16; the
# lean headers keep windows.h from dragging in what is unused, and min and max
# stay the C++ library's.
if(NOT TARGET morvane_windows_api)
  add_library(morvane_windows_api INTERFACE)
  target_compile_definitions(morvane_windows_api INTERFACE
    WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE)
endif()
