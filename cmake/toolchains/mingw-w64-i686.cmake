# 32-bit Windows programs with MinGW-w64 (Debian: g++-mingw-w64-i686).
# No emulator: these machines cannot execute 32-bit code, so the build is
# compiled and linked but not run.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
