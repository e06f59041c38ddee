# Runs drivesmith-demo with the options that the README and its manual page
# describe, and checks each exit status and what it prints; then runs the
# demo program without its image, as drivesmith is before drivesmith-pack.
#   cmake -DDEMO=... -DBARE_DEMO=... -DSCRATCH=folder -P DemoOptions.cmake
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
set(failures "")

# expect(PROGRAM status output-regex error-regex ARGS...): an empty regex
# checks nothing.
function(expect program status out_regex err_regex)
  execute_process(COMMAND ${program} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE err TIMEOUT 120)
  string(REPLACE ";" " " what "drivesmith-demo ${ARGN}")
  if(NOT program STREQUAL DEMO)
    set(what "${what} (without an image)")
  endif()
  if(NOT rc STREQUAL status)
    set(problem "exited with ${rc}, not ${status}")
  elseif(out_regex AND NOT out MATCHES "${out_regex}")
    set(problem "standard output lacks \"${out_regex}\"")
  elseif(err_regex AND NOT err MATCHES "${err_regex}")
    set(problem "standard error lacks \"${err_regex}\"")
  else()
    return()
  endif()
  string(APPEND failures "${what}: ${problem}\nstdout:\n${out}\nstderr:\n${err}\n\n")
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

set(fast --time-scale 0.001)
set(completed "Completed to update F/W of Drive\\..*final state: 11\n")

# Help lists every option the README names.
expect(${DEMO} 0 "Usage: drivesmith-demo.*--drive 1m\\|2m.*--time-scale X.*--fault NAME.*--trace FILE.*--transport T.*--select N.*--auto.*--help" "" --help)
expect(${DEMO} 0 "Usage: drivesmith-demo" "" -h)

# Usage errors: status 2, a message and the usage text on standard error.
# With --auto, a value taken for good would end the run with 0 or 1 at once.
expect(${DEMO} 2 "" "unknown argument \"--bogus\".*Usage:" --auto --bogus)
expect(${DEMO} 2 "" "--drive takes 1m or 2m" --auto --drive 3m)
expect(${DEMO} 2 "" "--drive needs a value" --auto --drive)
expect(${DEMO} 2 "" "at most 8 drives" --auto --drive 1m --drive 1m --drive 1m --drive 1m
       --drive 1m --drive 1m --drive 1m --drive 1m --drive 1m)
foreach(scale 0 -1 0.01x x0.01 0,01 1e400 nan inf)
  expect(${DEMO} 2 "" "--time-scale needs a positive number" --auto --time-scale "${scale}")
endforeach()
foreach(entry 1x -1 0x1)
  expect(${DEMO} 2 "" "--select needs a list entry number" --auto --select "${entry}")
endforeach()
expect(${DEMO} 2 "" "unknown fault \"nope\"" --auto --fault nope)
expect(${DEMO} 2 "" "--transport takes cdrom, letter or aspi" --auto --transport usb)
expect(${DEMO} 2 "" "cannot write" --auto --trace ${SCRATCH}/no/such/folder/trace.txt)

# --auto: 0 when the update completed, 1 otherwise.
expect(${DEMO} 0 "platform: offscreen.*drive: cdrom0 .*drive: cdrom1 .*${completed}" "" --auto ${fast})
expect(${DEMO} 0 "${completed}" "" --auto ${fast} --select 1)
expect(${DEMO} 0 "${completed}" "" --auto ${fast} --drive 1m)
expect(${DEMO} 0 "drive: HA:0 ID:0 .*${completed}" "" --auto ${fast} --transport aspi)
expect(${DEMO} 0 "drive: drive0 :.*${completed}" "" --auto ${fast} --transport letter)
expect(${DEMO} 0 "${completed}" "" --auto ${fast} --fault refuse-12-byte --drive 1m)
# The one-megabyte sequence sends a refused block again; the two-megabyte one
# fails at once.
expect(${DEMO} 0 "${completed}" "" --auto ${fast} --fault medium-not-present --drive 1m)
expect(${DEMO} 1 "final state: 12\n" "" --auto ${fast} --fault medium-not-present --drive 2m)
foreach(fault wrong-sum stop-responding never-finish work-error)
  expect(${DEMO} 1 "Fail to update\\..*final state: 12\n" "" --auto ${fast} --fault ${fault})
endforeach()
expect(${DEMO} 1 "no list entry 2" "" --auto ${fast} --select 2)

# --trace writes one line per command, the command block first.
expect(${DEMO} 0 "${completed}" "" --auto ${fast} --trace ${SCRATCH}/trace.txt)
file(STRINGS ${SCRATCH}/trace.txt trace LIMIT_COUNT 1)
if(NOT trace MATCHES "^12( [0-9a-f][0-9a-f])+")
  string(APPEND failures "--trace: the first line is not an INQUIRY block: ${trace}\n")
endif()

# Without an image the program reads its own last bytes as a trailer, and
# Start is refused: the two-megabyte drive cannot take a one-megabyte image,
# and the one-megabyte drive finds no type code.
expect(${BARE_DEMO} 1 "Cannot change Drive to Up Mode\\..*final state: 14\n" "" --auto ${fast} --drive 2m)
expect(${BARE_DEMO} 1 "Cannot update for different Type Code\\..*final state: 13\n" "" --auto ${fast} --drive 1m)

file(REMOVE_RECURSE ${SCRATCH})
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
