# Runs one GoogleTest program under Wine and judges it by the XML report the
# program writes, not by Wine's exit status: the report must exist, count at
# least one test, and count no failure and no error. The exit status must be
# 0 as well.
#   cmake -DWINE=wine -DPROGRAM=x.exe -DNAME=name -DRESULTS=dir [-DARGS=a;b]
#         -P RunGTestUnderWine.cmake
foreach(required WINE PROGRAM NAME RESULTS)
  if(NOT ${required})
    message(FATAL_ERROR "RunGTestUnderWine: ${required} is required")
  endif()
endforeach()

file(MAKE_DIRECTORY ${RESULTS})
set(report ${RESULTS}/${NAME}.xml)
file(REMOVE ${report})
# GoogleTest on Windows wants the report's path relative to the working folder.
execute_process(COMMAND ${WINE} ${PROGRAM} ${ARGS} --gtest_output=xml:${NAME}.xml
                WORKING_DIRECTORY ${RESULTS} RESULT_VARIABLE status)

if(NOT EXISTS ${report})
  message(FATAL_ERROR "${NAME} wrote no test report (exit status ${status}).")
endif()
file(READ ${report} xml)
if(NOT xml MATCHES "<testsuites tests=\"([0-9]+)\" failures=\"([0-9]+)\" disabled=\"[0-9]+\" errors=\"([0-9]+)\"")
  message(FATAL_ERROR "${NAME}: the test report ${report} has no summary.")
endif()
set(tests ${CMAKE_MATCH_1})
set(failures ${CMAKE_MATCH_2})
set(errors ${CMAKE_MATCH_3})
if(tests EQUAL 0 OR NOT failures EQUAL 0 OR NOT errors EQUAL 0)
  message(FATAL_ERROR "${NAME}: ${tests} tests, ${failures} failed, ${errors} errors.")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NAME}: the report shows ${tests} tests passed, but the exit status is ${status}.")
endif()
message(STATUS "${NAME}: ${tests} tests passed under Wine.")
