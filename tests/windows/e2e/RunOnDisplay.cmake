# Runs a GoogleTest program under Wine on the tests' virtual display (see
# tests/support/VirtualDisplay.sh) and judges it by its report (RunGTestUnderWine.cmake).
# Wine's own output (relay traces among it) goes to RESULTS/NAME.wine-output,
# whose path the tests find in DRIVESMITH_WINE_OUTPUT.
# With UPTIME_OFFSET (seconds) Wine runs in a time namespace whose clocks are
# that far ahead, with a wineserver of its own started there.
#   cmake -DDISPLAY_STATE=dir -DWINE=... -DWINESERVER=... -DPROGRAM=... -DNAME=...
#         -DRESULTS=... [-DARGS=...] [-DUPTIME_OFFSET=s] -P RunOnDisplay.cmake
if(NOT EXISTS ${DISPLAY_STATE}/display)
  message(FATAL_ERROR "No virtual display is running (${DISPLAY_STATE}/display).")
endif()
file(STRINGS ${DISPLAY_STATE}/display display LIMIT_COUNT 1)
set(ENV{DISPLAY} ":${display}")
set(ENV{DRIVESMITH_WINE_OUTPUT} ${RESULTS}/${NAME}.wine-output)
file(MAKE_DIRECTORY ${RESULTS})
set(WINE sh -c "exec \"$0\" \"$@\" 2>\"$DRIVESMITH_WINE_OUTPUT\"" ${WINE})
if(UPTIME_OFFSET)
  execute_process(COMMAND ${WINESERVER} -w)
  # Root may make the namespace (also in a chroot, which refuses a user
  # namespace); anyone else makes it inside a user namespace of their own.
  execute_process(COMMAND id -u OUTPUT_VARIABLE user OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT user EQUAL 0)
    set(WINE --user --map-current-user ${WINE})
  endif()
  set(WINE unshare --time --fork --monotonic ${UPTIME_OFFSET} --boottime ${UPTIME_OFFSET} ${WINE})
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../../../cmake/RunGTestUnderWine.cmake)
execute_process(COMMAND ${WINESERVER} -w)
