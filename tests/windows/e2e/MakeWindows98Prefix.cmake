# Makes the Wine prefix that reports the Windows 9x family: a copy of the
# shared prefix with Wine's version set to Windows 98, which GetVersionExA
# then reports as platform id 1.
#   cmake -DWINE=... -DWINESERVER=... -DSOURCE=prefix -DPREFIX=dir -P MakeWindows98Prefix.cmake
foreach(required WINE WINESERVER SOURCE PREFIX)
  if(NOT ${required})
    message(FATAL_ERROR "MakeWindows98Prefix: ${required} is required")
  endif()
endforeach()

if(NOT EXISTS ${PREFIX}/system.reg)
  file(REMOVE_RECURSE ${PREFIX} ${PREFIX}.partial)
  execute_process(COMMAND cp -a --reflink=auto ${SOURCE} ${PREFIX}.partial RESULT_VARIABLE copied)
  if(NOT copied EQUAL 0)
    message(FATAL_ERROR "cannot copy the prefix ${SOURCE}")
  endif()
  file(RENAME ${PREFIX}.partial ${PREFIX})
endif()

set(ENV{WINEPREFIX} ${PREFIX})
set(ENV{WINEDEBUG} -all)
execute_process(COMMAND ${WINE} reg add "HKCU\\Software\\Wine" /v Version /t REG_SZ /d win98 /f
                OUTPUT_FILE /dev/null ERROR_FILE /dev/null RESULT_VARIABLE added)
execute_process(COMMAND ${WINESERVER} -w)
file(READ ${PREFIX}/user.reg registry)
if(NOT added EQUAL 0 OR NOT registry MATCHES "\"Version\"=\"win98\"")
  message(FATAL_ERROR "The prefix ${PREFIX} does not report Windows 98.")
endif()
message(STATUS "Windows 98 prefix ready: ${PREFIX}")
