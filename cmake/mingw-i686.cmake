# 32-bit Windows, which runs on every Windows: the build to ship.
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR x86)
set(INICRYPT_MINGW_PREFIX i686-w64-mingw32)
set(INICRYPT_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
