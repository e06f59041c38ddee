# Installs the build tree into a fresh folder and checks that the programs,
# the desktop entry and the icons land where the desktop looks for them.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P CheckInstall.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}\n${err}")
endif()
foreach(path bin/drivesmith bin/drivesmith-demo share/applications/drivesmith.desktop
             share/icons/hicolor/16x16/apps/drivesmith.png
             share/icons/hicolor/32x32/apps/drivesmith.png)
  if(NOT EXISTS ${PREFIX}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(READ ${PREFIX}/share/applications/drivesmith.desktop entry)
foreach(line "Exec=drivesmith" "Icon=drivesmith" "Type=Application")
  if(NOT entry MATCHES "\n${line}\n")
    message(FATAL_ERROR "the desktop entry lacks ${line}")
  endif()
endforeach()
# The installed demo still carries its image: it can complete an update.
execute_process(COMMAND ${PREFIX}/bin/drivesmith-demo --auto --time-scale 0.001
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "final state: 11")
  message(FATAL_ERROR "the installed demo did not complete (${rc}):\n${out}\n${err}")
endif()
file(REMOVE_RECURSE ${PREFIX})
