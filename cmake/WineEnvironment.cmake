# How the build runs Windows programs under Wine: one prefix inside the build
# tree (never the user's ~/.wine), a 64-bit Wine that runs 32-bit programs,
# no debug chatter, and no downloads of Mono or Gecko when the prefix is made.
#   DRIVESMITH_WINE_PREFIX       the prefix
#   DRIVESMITH_WINE_ENVIRONMENT  NAME=value list for test properties
#   DRIVESMITH_WINE_COMMAND      a command prefix for custom commands:
#                                cmake -E env ... wine
set(DRIVESMITH_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine-prefix)
set(DRIVESMITH_WINE_ENVIRONMENT
    "WINEPREFIX=${DRIVESMITH_WINE_PREFIX}" "WINEARCH=win64" "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=mscoree,mshtml=")
set(DRIVESMITH_WINE_COMMAND ${CMAKE_COMMAND} -E env ${DRIVESMITH_WINE_ENVIRONMENT}
                            ${CMAKE_CROSSCOMPILING_EMULATOR})
