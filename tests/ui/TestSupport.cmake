# The window tests' shared headers (TestSupport.h, TestWindow.h,
# WorkflowSupport.h), for the window tests and the window benchmarks alike.
# Included from the top-level CMakeLists.txt, so that it exists whenever the
# editor is built with tests or benchmarks, whichever of them is on.
add_library(ruvo_test_support INTERFACE)
target_sources(ruvo_test_support INTERFACE
    FILE_SET HEADERS BASE_DIRS ${CMAKE_CURRENT_LIST_DIR}
    FILES
        ${CMAKE_CURRENT_LIST_DIR}/TestSupport.h
        ${CMAKE_CURRENT_LIST_DIR}/TestWindow.h
        ${CMAKE_CURRENT_LIST_DIR}/WorkflowSupport.h)
target_link_libraries(ruvo_test_support INTERFACE ruvoui ruvo_qt_settings Qt6::Test)
