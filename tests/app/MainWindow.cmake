if(TARGET lumora_app AND TARGET lumora_panes)
    lumora_qtest(lumora_mainwindow_test SOURCES MainWindowTest.cpp LIBS lumora_app)
endif()
if(TARGET lumora_app AND TARGET lumora_panes)
    lumora_qtest(lumora_worksheets_test SOURCES WorkSheetsTest.cpp LIBS lumora_app)
endif()
if(TARGET lumora)
    add_test(NAME lumora_worksheet_e2e
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/worksheet_e2e.sh $<TARGET_FILE:lumora>
                     ${LUMORA_SHARED_SAMPLES} ${CMAKE_CURRENT_BINARY_DIR}/worksheet-e2e.png)
    set_tests_properties(lumora_worksheet_e2e PROPERTIES
        LABELS "widgets;e2e" SKIP_RETURN_CODE 77 TIMEOUT 120 RUN_SERIAL TRUE)
endif()
