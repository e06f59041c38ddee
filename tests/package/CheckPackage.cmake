# Builds the Debian package with cpack, checks its name, fields and files,
# has lintian find no error in it, unpacks it into a scratch root and runs the
# unpacked demo through a whole update.
#   cmake -DBUILD_DIR=... -DCPACK=... -DDPKG_DEB=... -DLINTIAN=... -DAPPSTREAMCLI=...
#         -DVERSION=... -DSCRATCH=... -P CheckPackage.cmake
# LINTIAN and APPSTREAMCLI may be empty (or NOTFOUND): those checks are left out.
file(REMOVE_RECURSE ${SCRATCH})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "${command} failed (${rc}):\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run(${CPACK} -G DEB -B ${SCRATCH}/out WORKING_DIRECTORY ${BUILD_DIR})
run(dpkg --print-architecture)
string(STRIP "${out}" architecture)
set(package ${SCRATCH}/out/drivesmith_${VERSION}_${architecture}.deb)
if(NOT EXISTS ${package})
  file(GLOB built ${SCRATCH}/out/*.deb)
  message(FATAL_ERROR "no ${package}; cpack wrote: ${built}")
endif()

# Fields: dependencies found by dpkg-shlibdeps, a contact that names the project.
run(${DPKG_DEB} --field ${package} Package Version Depends Maintainer)
foreach(field "Package: drivesmith\n" "Version: ${VERSION}\n" "Depends: [^\n]*libqt6widgets6"
              "Depends: [^\n]*libc6" "Maintainer: Drivesmith project <")
  if(NOT out MATCHES "${field}")
    message(FATAL_ERROR "the package's fields lack ${field}:\n${out}")
  endif()
endforeach()

# Files: the three programs, the demo's menu entry, icons and metadata, a
# compressed manual page for each program, the copyright and changelog.
run(${DPKG_DEB} -x ${package} ${SCRATCH}/root)
set(root ${SCRATCH}/root)
set(expected usr/bin/drivesmith usr/bin/drivesmith-demo usr/bin/drivesmith-pack
             usr/share/applications/drivesmith-demo.desktop
             usr/share/metainfo/drivesmith-demo.metainfo.xml
             usr/share/doc/drivesmith/copyright usr/share/doc/drivesmith/changelog.gz)
foreach(program drivesmith drivesmith-demo drivesmith-pack)
  list(APPEND expected usr/share/man/man1/${program}.1.gz)
endforeach()
foreach(size 16 32 48 64 128)
  list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/drivesmith.png)
endforeach()
foreach(path ${expected})
  if(NOT EXISTS ${root}/${path})
    message(FATAL_ERROR "the package lacks ${path}")
  endif()
endforeach()
file(GLOB entries RELATIVE ${root}/usr/share/applications ${root}/usr/share/applications/*)
if(NOT entries STREQUAL "drivesmith-demo.desktop")
  message(FATAL_ERROR "menu entries other than the demo's: ${entries}")
endif()
file(READ ${root}/usr/share/applications/drivesmith-demo.desktop entry)
foreach(line "Name=Drivesmith demo (simulated drives)" "Exec=drivesmith-demo" "Icon=drivesmith"
             "Type=Application")
  string(FIND "${entry}" "\n${line}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks ${line}")
  endif()
endforeach()

# The unpacked demo, stripped for the package, still carries its image.
run(${root}/usr/bin/drivesmith-demo --auto --time-scale 0.001)
if(NOT out MATCHES "Completed to update F/W of Drive\\..*final state: 11\n")
  message(FATAL_ERROR "the unpacked demo did not complete:\n${out}")
endif()

if(LINTIAN)
  run(${LINTIAN} --fail-on error ${package})
endif()
if(APPSTREAMCLI)
  # Its one warning asks for a reverse domain name as the identifier, which
  # the project does not have.
  execute_process(COMMAND ${APPSTREAMCLI} validate --no-net
                          ${root}/usr/share/metainfo/drivesmith-demo.metainfo.xml
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if("${out}${err}" MATCHES "(^|\n)E:")
    message(FATAL_ERROR "appstreamcli finds errors in the metadata:\n${out}${err}")
  endif()
endif()
file(REMOVE_RECURSE ${SCRATCH})
