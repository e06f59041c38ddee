# Runs scripts/check-dependencies.sh with an fc-list that lists this
# machine's fonts followed by a few hundred kilobytes of others, as on a
# desktop with a large font collection, and expects it to find nothing
# missing.
#   cmake -DSCRIPT=... -DFC_LIST=real-fc-list -DSCRATCH=folder -P CheckDependenciesWithManyFonts.cmake
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH}/bin)
string(REPEAT "/usr/share/fonts/truetype/collection/Font.ttf: Collection Sans:style=Regular\n"
       4000 listing)
file(WRITE ${SCRATCH}/others.txt "${listing}")
file(WRITE ${SCRATCH}/bin/fc-list
     "#!/bin/sh\n"
     "# Answers queries like fc-list; a listing goes on long after this machine's fonts.\n"
     "case \" $* \" in *\" -q \"*) exec ${FC_LIST} \"$@\" ;; esac\n"
     "${FC_LIST} \"$@\" || exit\n"
     "exec cat ${SCRATCH}/others.txt\n")
file(CHMOD ${SCRATCH}/bin/fc-list PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
execute_process(COMMAND env "PATH=${SCRATCH}/bin:$ENV{PATH}" ${SCRIPT}
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the dependency check failed (${rc}) with every dependency installed:\n${err}")
endif()
file(REMOVE_RECURSE ${SCRATCH})
