# The settings record and its INI store (QtCore only): the main window owns
# the record; every widget that follows the settings may read it.
add_library(lumora_settings STATIC
    ${CMAKE_CURRENT_LIST_DIR}/AppSettings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IniFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsKeys.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsStore.cpp)
lumora_export_headers(lumora_settings)
target_link_libraries(lumora_settings PUBLIC Qt6::Core lumora_durable)
