# Running the cross-built Windows test programs under Wine.
#
# One Wine prefix inside the build tree serves every test of a run: the
# fixture `wine_prefix` makes it when it is missing and waits until Wine's
# services have settled. A test program is one CTest entry; it passes only
# when GoogleTest's own XML report says that tests ran and none failed.

set(DRIVESMITH_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine-prefix)
set(DRIVESMITH_WINE_RESULTS ${PROJECT_BINARY_DIR}/test-results)
# The environment of every program run under Wine: the project's prefix, a
# 64-bit Wine that runs 32-bit programs, no debug chatter, and no downloads
# of Mono or Gecko when a prefix is made.
set(DRIVESMITH_WINE_ENVIRONMENT
    "WINEPREFIX=${DRIVESMITH_WINE_PREFIX}" "WINEARCH=win64" "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=mscoree,mshtml=")

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
  set_tests_properties(${fixture} PROPERTIES FIXTURES_SETUP ${fixture} TIMEOUT 300)
endfunction()

if(NOT TEST wine_prefix)
  drivesmith_wine_prefix_fixture(wine_prefix ${DRIVESMITH_WINE_PREFIX})
endif()

# Registers the GoogleTest program TARGET as one CTest entry run under Wine.
function(drivesmith_wine_gtest target)
  add_test(NAME ${target}
           COMMAND ${CMAKE_COMMAND} -DWINE=${CMAKE_CROSSCOMPILING_EMULATOR}
                   -DPROGRAM=$<TARGET_FILE:${target}> -DNAME=${target}
                   -DRESULTS=${DRIVESMITH_WINE_RESULTS}
                   -P ${PROJECT_SOURCE_DIR}/cmake/RunGTestUnderWine.cmake)
  set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine_prefix
                                            ENVIRONMENT "${DRIVESMITH_WINE_ENVIRONMENT}"
                                            TIMEOUT 600)
endfunction()
