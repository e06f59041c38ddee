# Runs drivesmith-demo.exe --auto under Wine on the tests' virtual display and
# judges it by what it printed: the update of the selected simulated drive
# completed, and no restart was requested.
#   cmake -DDISPLAY_STATE=dir -DWINE=... -DDEMO=drivesmith-demo.exe
#         -DTRANSPORT=cdrom|letter|aspi -DSELECT=entry -P RunDemo.cmake
file(STRINGS ${DISPLAY_STATE}/display display LIMIT_COUNT 1)
set(ENV{DISPLAY} ":${display}")
execute_process(COMMAND ${WINE} ${DEMO} --auto --time-scale 0.01 --transport ${TRANSPORT}
                        --select ${SELECT}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 300)
if(NOT out MATCHES "press: Start\n.*Completed to update F/W of Drive\\..*final state: 11\n"
   OR out MATCHES "restart requested")
  message(FATAL_ERROR "drivesmith-demo.exe did not complete, or requested a restart "
                      "(status ${status}):\n${out}\n${err}")
endif()
