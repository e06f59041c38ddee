# Makes the Wine prefix report Windows 98: GetVersionExA then gives platform
# id 1 (the 9x family), to 32-bit programs too. Run by CopyWinePrefix.cmake,
# which defines WINE and sets the prefix's environment.
execute_process(COMMAND ${WINE} reg add "HKCU\\Software\\Wine" /v Version /t REG_SZ /d win98 /f
                OUTPUT_FILE /dev/null ERROR_FILE /dev/null RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Cannot make ${PREFIX} report Windows 98: exit status ${status}")
endif()
