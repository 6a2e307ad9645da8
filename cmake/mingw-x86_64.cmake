# 64-bit Windows: the same sources, for a machine whose Wine cannot run
# 32-bit programs (a Linux kernel without 32-bit support).
#   cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(INICRYPT_MINGW_PREFIX x86_64-w64-mingw32)
set(INICRYPT_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
