# Shared part of the mingw-w64 cross toolchains; the including file sets
# KORVEN_MINGW_TRIPLE (i686-w64-mingw32 or x86_64-w64-mingw32) and
# CMAKE_SYSTEM_PROCESSOR first.
#
# The compilers are the POSIX-thread variants (g++-mingw-w64-*-posix): with
# GCC 12 the win32-thread variants have no std::mutex or std::thread, so any
# engine code guarding its one-run-at-a-time state with a mutex would not
# build. The POSIX variants bring winpthread, which the build links
# statically like libgcc and libstdc++.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${KORVEN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVEN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVEN_MINGW_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${KORVEN_MINGW_TRIPLE}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${KORVEN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
