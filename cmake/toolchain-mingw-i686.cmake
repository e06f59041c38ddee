# Cross-builds the 32-bit Windows programs with Debian's mingw-w64 compilers.
# The -posix variants carry the threads that GoogleTest and std::thread need;
# the programs that ship are built with the -win32 variants instead
# (toolchain-mingw-i686-win32.cmake), which link no thread library of their
# own. The run-time libraries are linked statically so that a program needs
# no DLL beyond those of Windows itself. Programs built here run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

if(NOT DEFINED DRIVESMITH_MINGW_THREAD_MODEL)
  set(DRIVESMITH_MINGW_THREAD_MODEL posix)
endif()
set(DRIVESMITH_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${DRIVESMITH_MINGW_PREFIX}-gcc-${DRIVESMITH_MINGW_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${DRIVESMITH_MINGW_PREFIX}-g++-${DRIVESMITH_MINGW_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${DRIVESMITH_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DRIVESMITH_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(DRIVESMITH_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${DRIVESMITH_WINE})
