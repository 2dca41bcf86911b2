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
if(LUMORA_WIDGETS)
    add_test(NAME lumora_open_paths_e2e
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/open_paths_e2e.sh $<TARGET_FILE:lumora>)
    set_tests_properties(lumora_open_paths_e2e PROPERTIES
        LABELS "widgets;e2e" SKIP_RETURN_CODE 77 TIMEOUT 120 RUN_SERIAL TRUE)
endif()
