# Usage: cmake -DWINDRES=<windres> -DEXE=<exe> -DVERSION=<x.y.z> -P CheckVersion.cmake
# The version resource carries the project's version and the publisher's
# name, so the UAC prompt and Explorer show who made the file.
execute_process(COMMAND "${WINDRES}" -i "${EXE}" -O rc
    OUTPUT_VARIABLE rc ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "windres could not decompile ${EXE}: ${err}")
endif()
string(REPLACE "." ", " number "${VERSION}")
foreach(part "FILEVERSION ${number}, 0" "PRODUCTVERSION ${number}, 0"
        "VALUE \"FileVersion\", \"${VERSION}\"" "VALUE \"ProductVersion\", \"${VERSION}\""
        "VALUE \"CompanyName\", \"Morvane Soft\"" "VALUE \"ProductName\", \"Kestrune Setup\""
        "VALUE \"OriginalFilename\", \"KestruneSetup.exe\"")
    string(FIND "${rc}" "${part}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${EXE}: the version resource lacks ${part}")
    endif()
endforeach()
