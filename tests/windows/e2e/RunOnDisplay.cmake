# Runs a GoogleTest program under Wine on the tests' virtual display (see
# VirtualDisplay.sh) and judges it by its report (RunGTestUnderWine.cmake).
#   cmake -DDISPLAY_STATE=dir -DWINE=... -DPROGRAM=... -DNAME=... -DRESULTS=...
#         [-DARGS=...] -P RunOnDisplay.cmake
if(NOT EXISTS ${DISPLAY_STATE}/display)
  message(FATAL_ERROR "No virtual display is running (${DISPLAY_STATE}/display).")
endif()
file(STRINGS ${DISPLAY_STATE}/display display LIMIT_COUNT 1)
set(ENV{DISPLAY} ":${display}")
include(${CMAKE_CURRENT_LIST_DIR}/../../../cmake/RunGTestUnderWine.cmake)
