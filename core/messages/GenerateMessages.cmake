# Turns the UTF-8 message table into a header of UTF-8 strings, written as
# byte escapes so that the header reads the same under any source charset.
#   cmake -DTABLE=Messages.txt -DOUTPUT=Messages.h -P GenerateMessages.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT TABLE OR NOT OUTPUT)
    message(FATAL_ERROR "usage: cmake -DTABLE=<txt> -DOUTPUT=<h> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()

# Read whole and cut at line ends by hand: a CMake list would cut at every
# ';' of a text, so they are held as a placeholder meanwhile.
file(READ "${TABLE}" content)
string(REPLACE ";" "@SEMICOLON@" content "${content}")
string(REPLACE "\r" "" content "${content}")
string(REPLACE "\n" ";" lines "${content}")

# A C++ string literal of the text's bytes, as escapes.
function(ruvo_literal text out)
    string(HEX "${text}" hex)
    string(REGEX REPLACE "(..)" "\\\\x\\1" escaped "${hex}")
    set(${out} "\"${escaped}\"" PARENT_SCOPE)
endfunction()

set(body "")
foreach(line IN LISTS lines)
    if(line STREQUAL "" OR line MATCHES "^#")
        continue()
    endif()
    string(REPLACE "@SEMICOLON@" ";" line "${line}")
    if(line MATCHES "^([A-Za-z][A-Za-z0-9]*)\t([^\t]+)\t([^\t]+)$")
        # Japanese and English: a Message, read in the current language.
        set(name "${CMAKE_MATCH_1}")
        set(japanese "${CMAKE_MATCH_2}")
        set(english "${CMAKE_MATCH_3}")
        ruvo_literal("${japanese}" japaneseLiteral)
        ruvo_literal("${english}" englishLiteral)
        string(APPEND body "// ${japanese}\n// ${english}\n"
               "inline constexpr Message k${name}{${japaneseLiteral}, ${englishLiteral}};\n")
    elseif(line MATCHES "^([A-Za-z][A-Za-z0-9]*)\t([^\t]+)$")
        # One text, the same in every language.
        set(name "${CMAKE_MATCH_1}")
        set(text "${CMAKE_MATCH_2}")
        ruvo_literal("${text}" literal)
        string(APPEND body "// ${text}\ninline constexpr std::string_view k${name} = ${literal};\n")
    else()
        message(FATAL_ERROR "${TABLE}: not a message line: ${line}")
    endif()
endforeach()

set(header "// Generated from ${TABLE} by GenerateMessages.cmake: edit the table.
#pragma once

#include \"core/messages/Language.h\"

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
