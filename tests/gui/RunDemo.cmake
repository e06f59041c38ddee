# Runs drivesmith-demo as a whole program and checks its exit status, its
# output and, with TRACE, its trace file.
#   cmake -DDEMO=path -DARGS="--auto;..." -DEXPECT_RC=0 [-DEXPECT_OUTPUT=regex]
#         [-DREJECT_OUTPUT=regex] [-DTRACE=file] [-DLAUNCHER="xvfb-run|-a"] -P RunDemo.cmake
# ARGS and LAUNCHER separate their items with "|".
string(REPLACE "|" ";" ARGS "${ARGS}")
string(REPLACE "|" ";" LAUNCHER "${LAUNCHER}")
if(TRACE)
  file(REMOVE ${TRACE})
  list(APPEND ARGS --trace ${TRACE})
endif()
execute_process(
  COMMAND ${LAUNCHER} ${DEMO} ${ARGS}
  RESULT_VARIABLE rc
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  TIMEOUT 120)
if(NOT rc STREQUAL "${EXPECT_RC}")
  message(FATAL_ERROR "drivesmith-demo ${ARGS} exited with ${rc}, expected ${EXPECT_RC}\n"
                      "stdout:\n${out}\nstderr:\n${err}")
endif()
if(DEFINED EXPECT_OUTPUT AND NOT out MATCHES "${EXPECT_OUTPUT}")
  message(FATAL_ERROR "stdout lacks \"${EXPECT_OUTPUT}\":\n${out}\nstderr:\n${err}")
endif()
if(DEFINED REJECT_OUTPUT AND out MATCHES "${REJECT_OUTPUT}")
  message(FATAL_ERROR "stdout holds \"${REJECT_OUTPUT}\":\n${out}")
endif()
if(TRACE)
  file(STRINGS ${TRACE} lines)
  list(LENGTH lines count)
  if(count LESS 100)
    message(FATAL_ERROR "the trace has only ${count} lines")
  endif()
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^[0-9A-F][0-9A-F]( [0-9A-F][0-9A-F])+ (in|out|none) [0-9]+ status [0-9A-F][0-9A-F] asc [0-9A-F][0-9A-F] ascq [0-9A-F][0-9A-F] t=[0-9]+ms$")
      message(FATAL_ERROR "malformed trace line: ${line}")
    endif()
  endforeach()
  list(GET lines 0 first)
  if(NOT first MATCHES "^12 ")
    message(FATAL_ERROR "the trace does not begin with the discovery's INQUIRY: ${first}")
  endif()
endif()
