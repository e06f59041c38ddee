# Appends the demo's image to the bare demo program. The trailer can place an
# image after at most 16 MiB of program; a larger build (debug information,
# sanitizers) is packed from a copy without its debug information. With
# STRIP=ON the program is packed from a copy without any symbols, as an
# installed program is (stripping the packed file would cut off its image).
#   cmake -DPACK=... -DOBJCOPY=... -DPROGRAM=... -DIMAGE=... -DOUTPUT=... [-DSTRIP=ON]
#         -P PackDemo.cmake
set(max_program_length 16777215)
file(SIZE ${PROGRAM} length)
set(program ${PROGRAM})
set(strip_option)
if(STRIP)
  set(strip_option --strip-all)
elseif(length GREATER max_program_length)
  set(strip_option --strip-debug)
endif()
if(strip_option)
  set(program ${OUTPUT}.stripped)
  execute_process(COMMAND ${OBJCOPY} ${strip_option} ${PROGRAM} ${program} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot strip ${PROGRAM}")
  endif()
endif()
execute_process(COMMAND ${PACK} ${program} ${IMAGE} ${OUTPUT} RESULT_VARIABLE rc)
if(NOT program STREQUAL PROGRAM)
  file(REMOVE ${program})
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "drivesmith-pack failed")
endif()
