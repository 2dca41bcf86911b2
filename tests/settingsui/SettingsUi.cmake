if(TARGET lumora_settingsui)
    lumora_qtest(lumora_settingsui_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/AppSettingDlgTest.cpp
        LIBS lumora_settingsui)
endif()

# The sheet through the real program under Xvfb (skips with 77 without it).
if(TARGET lumora)
    add_test(NAME lumora_settings_e2e
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/settings_e2e.sh $<TARGET_FILE:lumora>
                     ${LUMORA_SHARED_SAMPLES})
    set_tests_properties(lumora_settings_e2e PROPERTIES
        LABELS "widgets;e2e" SKIP_RETURN_CODE 77 TIMEOUT 180)
endif()
