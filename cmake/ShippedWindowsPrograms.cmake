# The Windows programs that ship, drivesmith.exe and drivesmith-demo.exe, are
# not built with the -posix compilers that the tests need: a sub-build in
# shipped/ of the build folder makes them with the -win32 compilers
# (toolchain-mingw-i686-win32.cmake), with the host tools of this build, and
# puts them into bin/ as any build does. The targets drivesmith and
# drivesmith-demo stand for that sub-build; the global properties
# DRIVESMITH_WINDOWS_PROGRAM and DRIVESMITH_DEMO_PROGRAM hold the programs'
# paths.
include(ExternalProject)

set(program ${DRIVESMITH_PROGRAMS_DIR}/drivesmith.exe)
set(demo ${DRIVESMITH_PROGRAMS_DIR}/drivesmith-demo.exe)
set(launchers)
foreach(language C CXX)
  if(CMAKE_${language}_COMPILER_LAUNCHER)
    list(APPEND launchers -DCMAKE_${language}_COMPILER_LAUNCHER=${CMAKE_${language}_COMPILER_LAUNCHER})
  endif()
endforeach()

ExternalProject_Add(drivesmith_shipped_programs
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${PROJECT_BINARY_DIR}/shipped
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/toolchain-mingw-i686-win32.cmake
             -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DDRIVESMITH_WERROR=${DRIVESMITH_WERROR}
             -DDRIVESMITH_BUILD_GUI=OFF -DDRIVESMITH_BUILD_TESTS=OFF
             -DDRIVESMITH_BUILD_BENCHMARKS=OFF
             -DDRIVESMITH_HOST_TOOLS_DIR=${PROJECT_BINARY_DIR}/host-tools
             -DDRIVESMITH_PROGRAMS_DIR=${DRIVESMITH_PROGRAMS_DIR} ${launchers}
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target drivesmith drivesmith-demo
  INSTALL_COMMAND ""
  BUILD_ALWAYS TRUE
  DEPENDS drivesmith_host_tools
  BUILD_BYPRODUCTS ${program} ${demo})
add_custom_target(drivesmith DEPENDS drivesmith_shipped_programs)
add_custom_target(drivesmith-demo DEPENDS drivesmith_shipped_programs)
set_property(GLOBAL PROPERTY DRIVESMITH_WINDOWS_PROGRAM ${program})
set_property(GLOBAL PROPERTY DRIVESMITH_DEMO_PROGRAM ${demo})
