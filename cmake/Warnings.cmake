# Warnings for every target of the project; errors unless DRIVESMITH_WERROR is off.
function(drivesmith_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wsign-conversion -Wnon-virtual-dtor -Wold-style-cast)
  if(DRIVESMITH_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Declares a static library of the project with its warnings and include root.
function(drivesmith_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  drivesmith_warnings(${name})
endfunction()

# Declares a GoogleTest executable and registers its tests with CTest.
function(drivesmith_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  drivesmith_warnings(${name})
  if(CMAKE_CROSSCOMPILING)
    drivesmith_wine_gtest(${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
