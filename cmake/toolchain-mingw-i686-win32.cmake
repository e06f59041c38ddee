# The shipped Windows programs: the -win32 compilers, whose run-time
# libraries use Windows' own threads and so bring in no winpthreads and none
# of its calls from later Windows versions, and the headers of the oldest
# systems the programs run on, Windows NT 4.0 and Windows 98 (version 4.0),
# so that a call those systems lack does not compile.
set(DRIVESMITH_MINGW_THREAD_MODEL win32)
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0400 -DWINVER=0x0400")
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0400 -DWINVER=0x0400")
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-i686.cmake)
