lumora_gtest(commandline_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CommandLineTest.cpp
    LIBS lumora_commandline
    LABELS sanitize)
if(LUMORA_WIDGETS)
    lumora_gtest(opentarget_tests
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/OpenTargetTest.cpp
        LIBS lumora_app
        LABELS widgets)
endif()
