# 32-bit Windows programs with MinGW-w64 (Debian: g++-mingw-w64-i686).
# Programs built here run under Wine's 32-bit loader (Debian: wine32:i386,
# after `dpkg --add-architecture i386`), so tests run on Linux.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# The Wine prefix lives in the build folder, so every build has its own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh /usr/lib/wine/wine ${CMAKE_BINARY_DIR}/wineprefix)
