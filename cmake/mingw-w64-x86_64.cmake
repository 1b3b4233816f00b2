# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers (g++-mingw-w64-x86-64).
# The programs are linked statically, so the .exe files run on Windows and under Wine without
# any DLL beside them. Wine, when installed, runs the tests (ctest, GoogleTest discovery).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SLOTKIT_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX thread model gives the full <thread>/<mutex> of the C++ library.
find_program(CMAKE_CXX_COMPILER NAMES ${SLOTKIT_MINGW_PREFIX}-g++-posix ${SLOTKIT_MINGW_PREFIX}-g++
             REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${SLOTKIT_MINGW_PREFIX}-gcc-posix ${SLOTKIT_MINGW_PREFIX}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${SLOTKIT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SLOTKIT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Header-only libraries of the build machine (CLI11) work for any target. Only their own folder
# is offered to the compiler: the build machine's /usr/include as a whole would hide the
# MinGW headers.
if(NOT DEFINED CLI11_INCLUDE_DIR AND EXISTS /usr/include/CLI/CLI.hpp)
  set(SLOTKIT_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
  if(NOT EXISTS ${SLOTKIT_HOST_HEADERS}/CLI)
    file(MAKE_DIRECTORY ${SLOTKIT_HOST_HEADERS})
    file(CREATE_LINK /usr/include/CLI ${SLOTKIT_HOST_HEADERS}/CLI SYMBOLIC)
  endif()
  set(CLI11_INCLUDE_DIR ${SLOTKIT_HOST_HEADERS} CACHE PATH "CLI11 headers")
endif()

find_program(SLOTKIT_WINE NAMES wine wine64)
if(SLOTKIT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SLOTKIT_WINE})
endif()
