# Cross-compiles SETUP.EXE and its companions with Debian's mingw-w64 i686 toolchain.
set(VNT_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
