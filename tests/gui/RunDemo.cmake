# Runs drivesmith-demo --auto under Xvfb (whatever platform the environment
# asks for) and checks its exit status and its completion text.
#   cmake -DDEMO=path -DXVFB_RUN=path -P RunDemo.cmake
execute_process(
  COMMAND env -u QT_QPA_PLATFORM ${XVFB_RUN} -a ${DEMO} --auto --time-scale 0.001
  RESULT_VARIABLE rc
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  TIMEOUT 120)
if(NOT rc STREQUAL "0")
  message(FATAL_ERROR "drivesmith-demo exited with ${rc}\nstdout:\n${out}\nstderr:\n${err}")
endif()
if(NOT out MATCHES "platform: xcb.*Completed to update F/W of Drive\\.")
  message(FATAL_ERROR "stdout lacks the completion text on xcb:\n${out}\nstderr:\n${err}")
endif()
