# Makes the Wine prefix PREFIX unless it is already there, then waits until
# Wine's services have ended so that the tests start on a quiet prefix.
#   cmake -DWINE=... -DWINEBOOT=... -DWINESERVER=... -DPREFIX=dir
#         [-DEXTRA_SCRIPT=script.cmake] -P MakeWinePrefix.cmake
foreach(required WINE WINEBOOT WINESERVER PREFIX)
  if(NOT ${required})
    message(FATAL_ERROR "MakeWinePrefix: ${required} is required")
  endif()
endforeach()

set(ENV{WINEPREFIX} ${PREFIX})
set(ENV{WINEARCH} win64)
set(ENV{WINEDEBUG} -all)
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")

if(NOT EXISTS ${PREFIX}/system.reg)
  file(MAKE_DIRECTORY ${PREFIX})
  # wineboot's services keep its output open: it goes nowhere, or a pipe that
  # reads it would never end.
  execute_process(COMMAND ${WINEBOOT} -i OUTPUT_FILE /dev/null ERROR_FILE /dev/null
                  RESULT_VARIABLE booted)
  if(NOT booted EQUAL 0)
    # On a machine slow enough (emulated, and busy besides) a step of the
    # first boot can give up waiting; an update run finishes the prefix.
    message(STATUS "wineboot -i ended with ${booted}; finishing with wineboot -u")
    execute_process(COMMAND ${WINESERVER} -w)
    execute_process(COMMAND ${WINEBOOT} -u OUTPUT_FILE /dev/null ERROR_FILE /dev/null
                    RESULT_VARIABLE updated)
    if(NOT updated EQUAL 0)
      message(FATAL_ERROR "wineboot failed for ${PREFIX}: -i ended with ${booted}, -u with ${updated}")
    endif()
  endif()
endif()
execute_process(COMMAND ${WINESERVER} -w)
if(NOT EXISTS ${PREFIX}/system.reg)
  message(FATAL_ERROR "The Wine prefix ${PREFIX} was not made.")
endif()

if(EXTRA_SCRIPT)
  include(${EXTRA_SCRIPT})
  execute_process(COMMAND ${WINESERVER} -w)
endif()
message(STATUS "Wine prefix ready: ${PREFIX}")
