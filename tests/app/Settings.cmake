lumora_gtest(settings_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/IniFileTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/SettingsStoreTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/SettingsClampTest.cpp
    LIBS lumora_settings
    LABELS sanitize)
