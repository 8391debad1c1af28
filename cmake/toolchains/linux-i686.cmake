# 32-bit Linux programs (size_t of 32 bits) built on a 64-bit Linux with
# `-m32` (Debian: g++-multilib). They run natively; GoogleTest is built from
# /usr/src/googletest with the same flags, as for the Windows builds.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
