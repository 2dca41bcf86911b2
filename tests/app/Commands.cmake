# The command table, the menu bar, file commands, registered applications
# and the One Key; the journey through the real program under Xvfb.
if(TARGET lumora_app AND TARGET lumora_panes)
    lumora_qtest(lumora_commands_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/CommandTableTest.cpp
                ${CMAKE_CURRENT_LIST_DIR}/MainCommandsTest.cpp
                ${CMAKE_CURRENT_LIST_DIR}/MarkCommandsTest.cpp
                ${CMAKE_CURRENT_LIST_DIR}/CommandsTestMain.cpp
        LIBS lumora_app)
    add_test(NAME lumora_commands_e2e
        COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/scripts/commands_e2e.sh $<TARGET_FILE:lumora>
                ${LUMORA_SHARED_SAMPLES})
    set_tests_properties(lumora_commands_e2e PROPERTIES
        LABELS "widgets;e2e" SKIP_RETURN_CODE 77 TIMEOUT 180 RUN_SERIAL TRUE)
endif()
