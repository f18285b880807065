# 64-bit Windows build of the same code, for the Wine tiers on a kernel that
# runs no 32-bit code. The product is the 32-bit build (mingw-i686.cmake).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_PREFIX x86_64-w64-mingw32)
set(KES_WINE_LOADER /usr/lib/wine/wine64)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake")
