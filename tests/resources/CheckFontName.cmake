# Usage: cmake -DWINDRES=<windres> -DEXE=<exe> -P CheckFontName.cmake
execute_process(COMMAND "${WINDRES}" -i "${EXE}" -O rc
    OUTPUT_VARIABLE rc ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "windres could not decompile ${EXE}: ${err}")
endif()

# windres prints UTF-16 that is not plain ASCII as escapes: U+AD74 U+B9BC.
set(face "FONT 9, L\"\\xad74\\xb9bc\"")
foreach(id 103 104)
    string(FIND "${rc}" "\n${id} DIALOGEX" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "template ${id} not found in ${EXE}")
    endif()
    # The FONT line follows the header within a few short lines.
    string(SUBSTRING "${rc}" ${at} 200 header)
    string(FIND "${header}" "${face}" found)
    if(found EQUAL -1)
        message(FATAL_ERROR "template ${id} lost its font name:\n${header}")
    endif()
endforeach()
