# Writes a short man page from what a program itself says to --help and
# --version, so that the page and the program never disagree:
#   cmake -DPROGRAM=<path> -DNAME=<name> -DOUTPUT=<file.1> [-DEXTRA=<troff>] -P manpage.cmake
cmake_minimum_required(VERSION 3.19)
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE failed)
execute_process(COMMAND ${PROGRAM} --version OUTPUT_VARIABLE version)
if(failed)
    message(FATAL_ERROR "${PROGRAM} --help failed: ${failed}")
endif()
string(STRIP "${version}" version)
string(REGEX REPLACE "^[^ ]+ " "" version "${version}")

# troff reads a backslash as an escape, a line opening with a dot as a
# request, and wants minus signs of options written as \-.
function(troff text out)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "^\\." "\\\\&." text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Semicolons would split the lines as CMake lists.
string(REPLACE ";" "<semicolon>" help "${help}")
string(REPLACE "\n" ";" lines "${help}")
set(page ".TH ${NAME} 1 \"\" \"${NAME} ${version}\" \"User Commands\"\n")
set(section "")
foreach(line IN LISTS lines)
    if(line MATCHES "^Usage: [^ ]+ (.*)$")
        troff("${CMAKE_MATCH_1}" usage)
        set(section usage)
    elseif(section STREQUAL "usage" AND NOT line STREQUAL "")
        # The description's first sentence names the program in whatis.
        troff("${line}" text)
        string(REGEX REPLACE "[.:].*" "" whatis "${text}")
        string(APPEND page ".SH NAME\n${NAME} \\- ${whatis}\n.SH SYNOPSIS\n.B ${NAME}\n${usage}\n"
                           ".SH DESCRIPTION\n${text}\n")
        set(section description)
    elseif(line MATCHES "^(Options|Arguments):$")
        string(TOUPPER "${CMAKE_MATCH_1}" heading)
        string(APPEND page ".SH ${heading}\n")
        set(section entries)
    elseif(line STREQUAL "")
    elseif(section STREQUAL "entries" AND line MATCHES "^  ([^ ].*[^ ])  +([^ ].*)$")
        troff("${CMAKE_MATCH_1}" term)
        troff("${CMAKE_MATCH_2}" text)
        string(APPEND page ".TP\n.B ${term}\n${text}\n")
    else()
        string(STRIP "${line}" line)
        troff("${line}" text)
        string(APPEND page "${text}\n")
    endif()
endforeach()
string(REPLACE "<semicolon>" ";" page "${page}")
# What the program's help cannot say: where its files are, what it needs.
if(EXTRA)
    file(READ "${EXTRA}" extra)
    string(APPEND page "${extra}")
endif()
file(WRITE "${OUTPUT}" "${page}")
