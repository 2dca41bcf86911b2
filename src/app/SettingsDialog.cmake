# The main window's settings sheet.
if(TARGET lumora_app AND TARGET lumora_settingsui)
    target_sources(lumora_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/MainFrameSettings.cpp)
    target_link_libraries(lumora_app PUBLIC lumora_settingsui)
endif()
