# Running the cross-built Windows test programs under Wine.
#
# One Wine prefix inside the build tree serves every test of a run: the
# fixture `wine_prefix` makes it when it is missing and waits until Wine's
# services have settled. A test program is one CTest entry; it passes only
# when GoogleTest's own XML report says that tests ran and none failed.

include(${PROJECT_SOURCE_DIR}/cmake/WineEnvironment.cmake)
set(DRIVESMITH_WINE_RESULTS ${PROJECT_BINARY_DIR}/test-results)

find_program(DRIVESMITH_WINEBOOT wineboot REQUIRED)
find_program(DRIVESMITH_WINESERVER wineserver REQUIRED)

# Makes a Wine prefix at PREFIX as the fixture FIXTURE (a CTest test of that
# name sets it up). EXTRA_SCRIPT, when given, is a CMake script run after the
# prefix is ready, with WINE, WINESERVER and PREFIX defined.
function(drivesmith_wine_prefix_fixture fixture prefix)
  cmake_parse_arguments(P "" "EXTRA_SCRIPT" "" ${ARGN})
  add_test(NAME ${fixture}
           COMMAND ${CMAKE_COMMAND} -DWINE=${CMAKE_CROSSCOMPILING_EMULATOR}
                   -DWINEBOOT=${DRIVESMITH_WINEBOOT} -DWINESERVER=${DRIVESMITH_WINESERVER}
                   -DPREFIX=${prefix} -DEXTRA_SCRIPT=${P_EXTRA_SCRIPT}
                   -P ${PROJECT_SOURCE_DIR}/cmake/MakeWinePrefix.cmake)
  set_tests_properties(${fixture} PROPERTIES FIXTURES_SETUP ${fixture} TIMEOUT 1200)
endfunction()

# The default prefix: a current Windows of the NT family.
drivesmith_wine_prefix_fixture(wine_prefix ${DRIVESMITH_WINE_PREFIX})
# A prefix whose GetVersionExA reports the 9x family (platform id 1), for
# 32-bit programs too: a copy of the default prefix with one registry value.
# It runs alone, so that no test has Wine running in the default prefix
# while it is copied.
set(DRIVESMITH_WINE_PREFIX_9X ${PROJECT_BINARY_DIR}/wine-prefix-9x)
add_test(NAME wine_prefix_9x
         COMMAND ${CMAKE_COMMAND} -DWINE=${CMAKE_CROSSCOMPILING_EMULATOR}
                 -DWINESERVER=${DRIVESMITH_WINESERVER} -DSOURCE=${DRIVESMITH_WINE_PREFIX}
                 -DPREFIX=${DRIVESMITH_WINE_PREFIX_9X}
                 -DEXTRA_SCRIPT=${PROJECT_SOURCE_DIR}/cmake/ReportWindows98.cmake
                 -P ${PROJECT_SOURCE_DIR}/cmake/CopyWinePrefix.cmake)
set_tests_properties(wine_prefix_9x PROPERTIES FIXTURES_SETUP wine_prefix_9x
                                               FIXTURES_REQUIRED wine_prefix RUN_SERIAL TRUE
                                               TIMEOUT 600)

# A copy of the default prefix for the tests labelled kernel, which lead its
# drive letters d:, e:, ... to drives behind the kernel's SCSI target.
set(DRIVESMITH_WINE_PREFIX_KERNEL ${PROJECT_BINARY_DIR}/wine-prefix-kernel)
add_test(NAME wine_prefix_kernel
         COMMAND ${CMAKE_COMMAND} -DWINE=${CMAKE_CROSSCOMPILING_EMULATOR}
                 -DWINESERVER=${DRIVESMITH_WINESERVER} -DSOURCE=${DRIVESMITH_WINE_PREFIX}
                 -DPREFIX=${DRIVESMITH_WINE_PREFIX_KERNEL}
                 -P ${PROJECT_SOURCE_DIR}/cmake/CopyWinePrefix.cmake)
set_tests_properties(wine_prefix_kernel PROPERTIES FIXTURES_SETUP wine_prefix_kernel
                     FIXTURES_REQUIRED wine_prefix RUN_SERIAL TRUE LABELS kernel)

# Registers the GoogleTest program TARGET as one CTest entry run under Wine:
#   drivesmith_wine_gtest(target [NAME test-name] [PREFIX_9X]
#                         [ARGS program-arguments...] [ENVIRONMENT NAME=value...])
# PREFIX_9X runs it in the prefix of the 9x family. ENVIRONMENT comes after
# the Wine environment and may override it.
function(drivesmith_wine_gtest target)
  cmake_parse_arguments(W "PREFIX_9X" "NAME" "ARGS;ENVIRONMENT" ${ARGN})
  set(name ${target})
  if(W_NAME)
    set(name ${W_NAME})
  endif()
  set(fixture wine_prefix)
  set(environment ${DRIVESMITH_WINE_ENVIRONMENT})
  if(W_PREFIX_9X)
    set(fixture wine_prefix_9x)
    list(TRANSFORM environment REPLACE "^WINEPREFIX=.*" "WINEPREFIX=${DRIVESMITH_WINE_PREFIX_9X}")
  endif()
  string(REPLACE ";" "\\;" arguments "${W_ARGS}")
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} -DWINE=${CMAKE_CROSSCOMPILING_EMULATOR}
                   -DPROGRAM=$<TARGET_FILE:${target}> -DNAME=${name}
                   -DRESULTS=${DRIVESMITH_WINE_RESULTS} "-DARGS=${arguments}"
                   -P ${PROJECT_SOURCE_DIR}/cmake/RunGTestUnderWine.cmake)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${fixture}
                                          ENVIRONMENT "${environment};${W_ENVIRONMENT}"
                                          TIMEOUT 600)
endfunction()
