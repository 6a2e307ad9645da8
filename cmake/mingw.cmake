# Cross-compiling for Windows with MinGW-w64 (Debian's mingw-w64); included
# by mingw-i686.cmake and mingw-x86_64.cmake, which set the target first:
#   INICRYPT_MINGW_PREFIX  i686-w64-mingw32 or x86_64-w64-mingw32
#   INICRYPT_WINE_LOADER   the Wine loader that runs such programs
#
# The posix thread model gives std::thread and std::mutex. Programs are linked
# statically, so they need nothing besides the system's own DLLs, and the
# tests run under Wine (CMAKE_CROSSCOMPILING_EMULATOR).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${INICRYPT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${INICRYPT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${INICRYPT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${INICRYPT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian's /usr/bin/wine prefers the 32-bit loader whenever it is installed,
# so the loader for the target is named directly.
if(EXISTS ${INICRYPT_WINE_LOADER})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${INICRYPT_WINE_LOADER})
endif()
