# The core's texts, written once in UTF-8 (Messages.txt) and turned into a
# header at build time.
set(RUVO_MESSAGES_TABLE ${CMAKE_CURRENT_LIST_DIR}/Messages.txt)
set(RUVO_MESSAGES_GENERATOR ${CMAKE_CURRENT_LIST_DIR}/GenerateMessages.cmake)
set(RUVO_MESSAGES_HEADER ${PROJECT_BINARY_DIR}/generated/core/messages/Messages.h)

add_custom_command(
    OUTPUT ${RUVO_MESSAGES_HEADER}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/generated/core/messages
    COMMAND ${CMAKE_COMMAND} -DTABLE=${RUVO_MESSAGES_TABLE} -DOUTPUT=${RUVO_MESSAGES_HEADER}
            -P ${RUVO_MESSAGES_GENERATOR}
    DEPENDS ${RUVO_MESSAGES_TABLE} ${RUVO_MESSAGES_GENERATOR}
    COMMENT "Generating the core's messages"
    VERBATIM)

target_sources(ruvocore PRIVATE ${RUVO_MESSAGES_HEADER} ${CMAKE_CURRENT_LIST_DIR}/MessageText.h)
target_include_directories(ruvocore PRIVATE ${PROJECT_BINARY_DIR}/generated)
