# The settings sheet and its six pages.
if(LUMORA_WIDGETS)
    add_library(lumora_settingsui STATIC
        ${CMAKE_CURRENT_LIST_DIR}/AppSettingDlg.cpp
        ${CMAKE_CURRENT_LIST_DIR}/AppSettingDlg.h
        ${CMAKE_CURRENT_LIST_DIR}/ColorBox.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ColorBox.h
        ${CMAKE_CURRENT_LIST_DIR}/SettingPages.cpp
        ${CMAKE_CURRENT_LIST_DIR}/SettingPages.h)
    lumora_export_headers(lumora_settingsui)
    target_link_libraries(lumora_settingsui PUBLIC lumora_settings lumora_controls Qt6::Widgets)
endif()
