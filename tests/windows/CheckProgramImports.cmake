# Fails when a program imports a function that is not on the list of what
# Windows 98 and Windows NT 4.0 export, when a list entry is imported by none
# of the programs, or when a program's header asks for more than Windows
# version 4.0.
#   cmake -DOBJDUMP=... -DEXPORTS=list-file "-DPROGRAMS=a.exe;b.exe" -P CheckProgramImports.cmake
cmake_minimum_required(VERSION 3.25)
file(STRINGS ${EXPORTS} lines)
set(allowed)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "#.*" "" line "${line}")
  string(STRIP "${line}" line)
  # "LIBRARY Function..." a line.
  string(REGEX REPLACE "[ \t]+" ";" words "${line}")
  list(POP_FRONT words library)
  foreach(function IN LISTS words)
    list(APPEND allowed "${library} ${function}")
  endforeach()
endforeach()

set(failures)
set(used)
foreach(program IN LISTS PROGRAMS)
  execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE header COMMAND_ERROR_IS_FATAL ANY)
  foreach(field_and_value MajorOSystemVersion=4 MinorOSystemVersion=0 MajorSubsystemVersion=4
                          MinorSubsystemVersion=0)
    string(REPLACE "=" "[ \t]+" pattern "${field_and_value}")
    if(NOT header MATCHES "${pattern}\n")
      list(APPEND failures "${program}: header field not ${field_and_value}")
    endif()
  endforeach()
  # "DLL Name: X" opens a library's imports; "<address> <hint> <name>" lines
  # follow.
  string(REPLACE "\n" ";" header_lines "${header}")
  set(library)
  foreach(line IN LISTS header_lines)
    if(line MATCHES "DLL Name: ([^ \t]+)")
      string(TOUPPER "${CMAKE_MATCH_1}" library)
    elseif(library AND line MATCHES "^\t[0-9a-f]+\t +[0-9]+ +([A-Za-z_][A-Za-z0-9_@]*)$")
      set(import "${library} ${CMAKE_MATCH_1}")
      list(APPEND used "${import}")
      if(NOT import IN_LIST allowed)
        list(APPEND failures "${program} imports ${import}, which is not on the list")
      endif()
    elseif(line STREQUAL "")
      set(library)
    endif()
  endforeach()
endforeach()

foreach(entry IN LISTS allowed)
  if(NOT entry IN_LIST used)
    list(APPEND failures "${entry} is on the list, but no program imports it")
  endif()
endforeach()
if(failures)
  list(JOIN failures "\n" report)
  message(FATAL_ERROR "${report}")
endif()
