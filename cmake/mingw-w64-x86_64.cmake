# Toolchain for 64-bit Windows programs built on Linux with mingw-w64 (Debian: g++-mingw-w64-x86-64-posix).
# The posix thread model is needed: the win32 one has no std::thread. Pass ORVANE_MINGW_CXX to pick a compiler.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORVANE_MINGW_TRIPLE x86_64-w64-mingw32)
if(NOT ORVANE_MINGW_CXX)
    find_program(ORVANE_MINGW_CXX NAMES ${ORVANE_MINGW_TRIPLE}-g++-posix ${ORVANE_MINGW_TRIPLE}-g++ REQUIRED)
endif()
set(CMAKE_CXX_COMPILER ${ORVANE_MINGW_CXX})
find_program(CMAKE_RC_COMPILER NAMES ${ORVANE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
