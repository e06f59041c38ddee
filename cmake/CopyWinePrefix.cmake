# Makes the Wine prefix PREFIX as a copy of the ready prefix SOURCE unless it
# is already there, runs EXTRA_SCRIPT (when given) in it, and waits until
# Wine's services have ended. Copying is much faster than booting a second
# prefix.
#   cmake -DWINE=... -DWINESERVER=... -DSOURCE=dir -DPREFIX=dir
#         [-DEXTRA_SCRIPT=script.cmake] -P CopyWinePrefix.cmake
foreach(required WINE WINESERVER SOURCE PREFIX)
  if(NOT ${required})
    message(FATAL_ERROR "CopyWinePrefix: ${required} is required")
  endif()
endforeach()

set(ENV{WINEARCH} win64)
set(ENV{WINEDEBUG} -all)
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")

if(NOT EXISTS ${PREFIX}/system.reg)
  if(NOT EXISTS ${SOURCE}/system.reg)
    message(FATAL_ERROR "The Wine prefix ${SOURCE} to copy is not there.")
  endif()
  # A running wineserver writes the registry files out when it ends: the copy
  # is taken once it has.
  set(ENV{WINEPREFIX} ${SOURCE})
  execute_process(COMMAND ${WINESERVER} -w)
  # cp -a keeps the drive links (dosdevices) as links; the copy appears under
  # its name only when it is whole.
  file(REMOVE_RECURSE ${PREFIX}.partial)
  execute_process(COMMAND cp -a ${SOURCE} ${PREFIX}.partial RESULT_VARIABLE copied)
  if(NOT copied EQUAL 0)
    message(FATAL_ERROR "Cannot copy the Wine prefix ${SOURCE} to ${PREFIX}: ${copied}")
  endif()
  file(REMOVE_RECURSE ${PREFIX})
  file(RENAME ${PREFIX}.partial ${PREFIX})
endif()

set(ENV{WINEPREFIX} ${PREFIX})
if(EXTRA_SCRIPT)
  include(${EXTRA_SCRIPT})
  execute_process(COMMAND ${WINESERVER} -w)
endif()
message(STATUS "Wine prefix ready: ${PREFIX}")
