# Cross-compiles the Qt-free part of Quadrel for 64-bit Windows with Debian's MinGW-w64, and runs
# what it builds (the tests, the checker) under Wine when Wine is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUADREL_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX threading flavour has std::thread and std::mutex, which GCC 12's Win32 flavour lacks.
find_program(CMAKE_CXX_COMPILER NAMES ${QUADREL_MINGW_PREFIX}-g++-posix ${QUADREL_MINGW_PREFIX}-g++
             REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${QUADREL_MINGW_PREFIX}-gcc-posix ${QUADREL_MINGW_PREFIX}-gcc
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${QUADREL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUADREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime: the programs then run on any Windows, and under Wine, without MinGW's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Wine keeps its registry and its C: drive in a prefix inside the build folder, and prints none of
# its own diagnostics among the programs' output.
find_program(QUADREL_WINE NAMES wine wine64)
if(QUADREL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env WINEPREFIX=${CMAKE_BINARY_DIR}/wine
                                    WINEDEBUG=-all ${QUADREL_WINE})
endif()
