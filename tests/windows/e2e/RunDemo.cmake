# Runs drivesmith-demo.exe --auto under Wine on the tests' virtual display and
# judges it by what it printed: the update of the selected simulated drive
# completed, and no restart was requested.
#   cmake -DDISPLAY_STATE=dir -DWINE=... -DDEMO=drivesmith-demo.exe
#         -DTRANSPORT=cdrom|letter|aspi -DSELECT=entry -P RunDemo.cmake
if(NOT EXISTS ${DISPLAY_STATE}/display)
  message(FATAL_ERROR "No virtual display is running (${DISPLAY_STATE}/display).")
endif()
file(STRINGS ${DISPLAY_STATE}/display display LIMIT_COUNT 1)
set(ENV{DISPLAY} ":${display}")
execute_process(COMMAND ${WINE} ${DEMO} --auto --time-scale 0.01 --transport ${TRANSPORT}
                        --select ${SELECT}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 300)
if(NOT out MATCHES "press: Start\n.*Completed to update F/W of Drive\\..*final state: 11\n")
  message(FATAL_ERROR "drivesmith-demo.exe did not complete (status ${status}):\n${out}\n${err}")
endif()
if(out MATCHES "restart requested")
  message(FATAL_ERROR "drivesmith-demo.exe requested a restart:\n${out}")
endif()
message(STATUS "drivesmith-demo.exe --transport ${TRANSPORT} --select ${SELECT}: completed")
