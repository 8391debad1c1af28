# 64-bit Windows programs with MinGW-w64 (Debian: g++-mingw-w64-x86-64).
# Programs built here run under Wine's 64-bit loader, so tests run on Linux.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# The Wine prefix lives in the build folder, so every build has its own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh /usr/lib/wine/wine64 ${CMAKE_BINARY_DIR}/wineprefix)
