# Shared part of the MinGW-w64 cross toolchains. The including file sets
# KOR_MINGW_TRIPLE (i686-w64-mingw32 or x86_64-w64-mingw32) first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${KOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${KOR_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Runs cross-built programs (tests) under Wine in the build tree's prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh ${CMAKE_SYSTEM_PROCESSOR})
