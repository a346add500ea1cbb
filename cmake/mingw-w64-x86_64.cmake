# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the posix-threads flavour, which
# C++ threads need). Libraries are looked for only in mingw's own tree and in the folders given
# as CMAKE_FIND_ROOT_PATH on the command line (the staged third-party libraries, the cross-built
# Qt), never in the build machine's /usr.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(ZOTPX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZOTPX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZOTPX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZOTPX_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${ZOTPX_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${ZOTPX_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${ZOTPX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Where mingw keeps its run-time DLLs (libstdc++, libgcc, winpthread), for deployment.
set(ZOTPX_MINGW_RUNTIME_DIRS /usr/lib/gcc/${ZOTPX_MINGW_TRIPLE}/12-posix /usr/${ZOTPX_MINGW_TRIPLE}/lib)
