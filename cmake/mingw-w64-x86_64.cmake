# Cross-compiles the x86-64 build of SETUP.EXE and its companions, which 64-bit Wine runs where
# the kernel runs no 32-bit programs, with Debian's mingw-w64 x86-64 toolchain.
set(VNT_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
