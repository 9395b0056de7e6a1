# Transcribes the weight table into C++ source.
#   cmake -DTABLE=weights-cp932.tsv -DOUTPUT=CollationRows.cpp -P GenerateCollationTable.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT TABLE OR NOT OUTPUT)
    message(FATAL_ERROR "usage: cmake -DTABLE=<tsv> -DOUTPUT=<cpp> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()

file(READ "${TABLE}" content)
# The character column may hold list separators and brackets, which would
# split or glue CMake list items; the column is not used, so defuse them.
string(REPLACE ";" "," content "${content}")
string(REPLACE "[" "(" content "${content}")
string(REPLACE "]" ")" content "${content}")
string(REPLACE "\\" "/" content "${content}")
string(REPLACE "\n" ";" lines "${content}")

# Column checks, in the order of the columns; the character column is free text.
set(column_regex
    "^(-|[0-9A-F][0-9A-F]|[0-9A-F][0-9A-F][0-9A-F][0-9A-F])$"
    "^[0-9A-F][0-9A-F][0-9A-F][0-9A-F]$"
    ""
    "^(base|pua|kana|prolong|iteration|voicemark|wordsort|expansion)$"
    "^[0-9A-F][0-9A-F]$"
    "^[0-9A-F][0-9A-F]$"
    "^([0-9A-F][0-9A-F]|-)$"
    "^([0-9A-F][0-9A-F]|-)$"
    "^(small|normal|)$"
    "^(katakana|hiragana|)$"
    "^(half|full|)$"
    "^([0-9A-F][0-9A-F][0-9A-F][0-9A-F]( [0-9A-F][0-9A-F][0-9A-F][0-9A-F])?)?$")

set(class_base Base)
set(class_pua Pua)
set(class_kana Kana)
set(class_prolong Prolong)
set(class_iteration Iteration)
set(class_voicemark VoiceMark)
set(class_wordsort WordSort)
set(class_expansion Expansion)

set(body "")
set(count 0)
foreach(line IN LISTS lines)
    if(line STREQUAL "" OR line MATCHES "^#" OR line MATCHES "^cp932\t")
        continue()
    endif()
    string(REPLACE "\t" ";" fields "${line}")
    list(LENGTH fields field_count)
    if(NOT field_count EQUAL 12)
        message(FATAL_ERROR "${TABLE}: row without 12 columns: ${line}")
    endif()
    foreach(i RANGE 11)
        list(GET fields ${i} field_${i})
        list(GET column_regex ${i} regex)
        if(regex AND NOT field_${i} MATCHES "${regex}")
            message(FATAL_ERROR "${TABLE}: bad column ${i} in row: ${line}")
        endif()
    endforeach()
    set(code "${field_0}")
    if(code STREQUAL "-")
        set(code "0")
    endif()
    set(diacritic "${field_6}")
    set(case_weight "${field_7}")
    if(diacritic STREQUAL "-")
        set(diacritic "0")
    endif()
    if(case_weight STREQUAL "-")
        set(case_weight "0")
    endif()
    set(kana "0")
    if(field_8 STREQUAL "small")
        string(APPEND kana "|kKanaSmall")
    endif()
    if(field_9 STREQUAL "hiragana")
        string(APPEND kana "|kKanaHiragana")
    endif()
    if(field_10 STREQUAL "full")
        string(APPEND kana "|kKanaFull")
    endif()
    set(expansion "0, 0")
    if(NOT field_11 STREQUAL "")
        string(REPLACE " " ", 0x" expansion "0x${field_11}")
        if(NOT expansion MATCHES ",")
            string(APPEND expansion ", 0")
        endif()
    endif()
    string(APPEND body "    {0x${code}, 0x${field_1}, CharClass::${class_${field_3}}, "
        "0x${field_4}, 0x${field_5}, 0x${diacritic}, 0x${case_weight}, ${kana}, "
        "{${expansion}}},\n")
    math(EXPR count "${count} + 1")
endforeach()

if(count EQUAL 0)
    message(FATAL_ERROR "${TABLE}: no rows")
endif()

file(WRITE "${OUTPUT}.tmp" "// Generated from weights-cp932.tsv by GenerateCollationTable.cmake; do not edit.
#include \"core/text/collation/CollationTable.h\"

namespace ruvo::collation {

const CollationRow kCollationRows[] = {
${body}};

const std::size_t kCollationRowCount = ${count};

} // namespace ruvo::collation
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
