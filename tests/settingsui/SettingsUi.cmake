if(TARGET lumora_settingsui)
    lumora_qtest(lumora_settingsui_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/AppSettingDlgTest.cpp
        LIBS lumora_settingsui)
endif()
