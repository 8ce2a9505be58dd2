# 32-bit Windows through Debian's MinGW-w64; programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
# GoogleTest needs std::mutex, which only the posix thread model of MinGW-w64 provides; the posix
# runtime imports functions of newer Windows versions, so DuVad.dll itself is built with the win32
# model (DUVAD_THREADS=win32, see cmake/windows.cmake).
if(NOT DEFINED DUVAD_THREADS)
  set(DUVAD_THREADS posix)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DUVAD_THREADS)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-${DUVAD_THREADS})
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-${DUVAD_THREADS})
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Wine, through a guard that keeps test runs inside tests/wine-session.sh.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine-in-session.sh)
