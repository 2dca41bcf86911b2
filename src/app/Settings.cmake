# The settings record, its INI store and the command line (QtCore only).
add_library(lumora_settings STATIC
    ${CMAKE_CURRENT_LIST_DIR}/AppSettings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommandLine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IniFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsKeys.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsStore.cpp)
target_include_directories(lumora_settings PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(lumora_settings PUBLIC Qt6::Core)
