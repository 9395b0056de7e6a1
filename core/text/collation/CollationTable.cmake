# Compiles the collation weight table into ruvocore: the tsv is transcribed
# into C++ at build time by a CMake script, so no other tool is needed.
set(RUVO_COLLATION_TSV ${CMAKE_CURRENT_LIST_DIR}/weights-cp932.tsv)
set(RUVO_COLLATION_GENERATOR ${CMAKE_CURRENT_LIST_DIR}/GenerateCollationTable.cmake)
set(RUVO_COLLATION_ROWS ${CMAKE_CURRENT_BINARY_DIR}/collation/CollationRows.cpp)

add_custom_command(
    OUTPUT ${RUVO_COLLATION_ROWS}
    COMMAND ${CMAKE_COMMAND} -DTABLE=${RUVO_COLLATION_TSV} -DOUTPUT=${RUVO_COLLATION_ROWS}
            -P ${RUVO_COLLATION_GENERATOR}
    DEPENDS ${RUVO_COLLATION_TSV} ${RUVO_COLLATION_GENERATOR}
    COMMENT "Generating the collation weight table"
    VERBATIM)

target_sources(ruvocore PRIVATE
    ${RUVO_COLLATION_ROWS}
    ${CMAKE_CURRENT_LIST_DIR}/CollationTable.h)
