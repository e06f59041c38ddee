# The build machine's own tools for a cross-build: the image generator, the
# packing tool and the artwork tool are built natively (in host-tools/ of the
# build folder) so that the build can run them without an emulator, and the
# simulated drive's handler for the kernel's SCSI target, which serves drives
# to the Windows programs under Wine in a guest. Sets DRIVESMITH_HOST_IMAGEGEN,
# DRIVESMITH_HOST_PACK, DRIVESMITH_HOST_WINARTWORK and DRIVESMITH_HOST_TCMU_DRIVE;
# custom commands that run them depend on the target drivesmith_host_tools.
# A sub-build that a build already made them for (the shipped Windows
# programs) names their folder in DRIVESMITH_HOST_TOOLS_DIR and builds none.
include(ExternalProject)

if(DRIVESMITH_HOST_TOOLS_DIR)
  set(host_tools_dir ${DRIVESMITH_HOST_TOOLS_DIR})
else()
  set(host_tools_dir ${PROJECT_BINARY_DIR}/host-tools)
endif()
set(DRIVESMITH_HOST_IMAGEGEN ${host_tools_dir}/tools/imagegen/drivesmith-imagegen)
set(DRIVESMITH_HOST_PACK ${host_tools_dir}/tools/pack/drivesmith-pack)
set(DRIVESMITH_HOST_WINARTWORK ${host_tools_dir}/tools/winartwork/drivesmith-winartwork)
set(DRIVESMITH_HOST_TCMU_DRIVE ${host_tools_dir}/simulator/tcmu/drivesmith-tcmu-drive)

if(DRIVESMITH_HOST_TOOLS_DIR)
  add_custom_target(drivesmith_host_tools)
  return()
endif()
ExternalProject_Add(drivesmith_host_tools
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${host_tools_dir}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DDRIVESMITH_BUILD_GUI=OFF -DDRIVESMITH_BUILD_TESTS=OFF
             -DDRIVESMITH_BUILD_BENCHMARKS=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target drivesmith-imagegen drivesmith-pack
                drivesmith-winartwork drivesmith-tcmu-drive
  INSTALL_COMMAND ""
  BUILD_ALWAYS TRUE
  BUILD_BYPRODUCTS ${DRIVESMITH_HOST_IMAGEGEN} ${DRIVESMITH_HOST_PACK} ${DRIVESMITH_HOST_WINARTWORK}
                   ${DRIVESMITH_HOST_TCMU_DRIVE})
