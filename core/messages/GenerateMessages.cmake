# Turns the UTF-8 message table into a header of code page 932 strings.
#   cmake -DTABLE=Messages.txt -DOUTPUT=Messages.h -DICONV=/usr/bin/iconv -P GenerateMessages.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT TABLE OR NOT OUTPUT OR NOT ICONV)
    message(FATAL_ERROR "usage: cmake -DTABLE=<txt> -DOUTPUT=<h> -DICONV=<iconv> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()

file(STRINGS "${TABLE}" lines ENCODING UTF-8)
get_filename_component(scratch "${OUTPUT}" DIRECTORY)
set(text_file "${scratch}/message.utf8")
set(bytes_file "${scratch}/message.cp932")

set(body "")
foreach(line IN LISTS lines)
    if(line STREQUAL "" OR line MATCHES "^#")
        continue()
    endif()
    if(NOT line MATCHES "^([A-Za-z]+)\t(.+)$")
        message(FATAL_ERROR "${TABLE}: not a message line: ${line}")
    endif()
    set(name "${CMAKE_MATCH_1}")
    set(text "${CMAKE_MATCH_2}")
    file(WRITE "${text_file}" "${text}")
    execute_process(COMMAND "${ICONV}" -f UTF-8 -t CP932 "${text_file}"
                    OUTPUT_FILE "${bytes_file}" RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "${TABLE}: ${name} has a character code page 932 cannot hold")
    endif()
    file(READ "${bytes_file}" hex HEX)
    string(REGEX REPLACE "(..)" "\\\\x\\1" escaped "${hex}")
    string(APPEND body "// ${text}\ninline constexpr std::string_view k${name} = \"${escaped}\";\n")
endforeach()
file(REMOVE "${text_file}" "${bytes_file}")

set(header "// Generated from ${TABLE} by GenerateMessages.cmake: edit the table.
#pragma once

#include <string_view>

namespace ruvo::messages {

${body}
} // namespace ruvo::messages
")
# Rewritten only when it changes, so that a build does not recompile for nothing.
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
    if(old STREQUAL header)
        return()
    endif()
endif()
file(WRITE "${OUTPUT}" "${header}")
