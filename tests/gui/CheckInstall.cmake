# Installs the build tree into a fresh folder and checks what lands there:
# the three programs, the demo's menu entry with its icons and metadata, and
# the manual pages; the installed demo completes an update and the installed
# drivesmith-pack packs the installed drivesmith.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P CheckInstall.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}\n${err}")
endif()
set(expected bin/drivesmith bin/drivesmith-demo bin/drivesmith-pack
             share/applications/drivesmith-demo.desktop
             share/metainfo/drivesmith-demo.metainfo.xml
             share/man/man1/drivesmith.1.gz share/man/man1/drivesmith-demo.1.gz
             share/man/man1/drivesmith-pack.1.gz)
foreach(size 16 32 48 64 128)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/drivesmith.png)
endforeach()
foreach(path ${expected})
  if(NOT EXISTS ${PREFIX}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
# The menu offers the demo only: drivesmith without an image can do nothing.
file(GLOB entries RELATIVE ${PREFIX}/share/applications ${PREFIX}/share/applications/*)
if(NOT entries STREQUAL "drivesmith-demo.desktop")
  message(FATAL_ERROR "menu entries other than the demo's: ${entries}")
endif()
file(READ ${PREFIX}/share/applications/drivesmith-demo.desktop entry)
foreach(line "Name=Drivesmith demo (simulated drives)" "Exec=drivesmith-demo" "Icon=drivesmith"
             "Type=Application")
  string(FIND "${entry}" "\n${line}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks ${line}")
  endif()
endforeach()
# The installed demo still carries its image: it can complete an update.
execute_process(COMMAND ${PREFIX}/bin/drivesmith-demo --auto --time-scale 0.001
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "final state: 11")
  message(FATAL_ERROR "the installed demo did not complete (${rc}):\n${out}\n${err}")
endif()
# A firmware file becomes a program the way the README says.
string(REPEAT "F" 1048576 image)
file(WRITE ${PREFIX}/firmware.bin "${image}")
execute_process(COMMAND ${PREFIX}/bin/drivesmith-pack ${PREFIX}/bin/drivesmith
                        ${PREFIX}/firmware.bin ${PREFIX}/drivesmith-fw
                RESULT_VARIABLE rc ERROR_VARIABLE err)
file(SIZE ${PREFIX}/bin/drivesmith program_length)
math(EXPR packed_length "${program_length} + 1048576 + 4")
if(NOT rc EQUAL 0 OR NOT EXISTS ${PREFIX}/drivesmith-fw)
  message(FATAL_ERROR "the installed drivesmith-pack failed (${rc}):\n${err}")
endif()
file(SIZE ${PREFIX}/drivesmith-fw length)
if(NOT length EQUAL packed_length)
  message(FATAL_ERROR "the packed program has ${length} bytes, not ${packed_length}")
endif()
file(REMOVE_RECURSE ${PREFIX})
