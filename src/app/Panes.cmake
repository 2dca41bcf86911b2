# The main window's panes: tree and list containers and the status texts.
if(LUMORA_WIDGETS AND TARGET lumora_thumbnails)
    add_library(lumora_panes STATIC
        ${CMAKE_CURRENT_LIST_DIR}/ListContainerWnd.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ListContainerWorkSheets.cpp
        ${CMAKE_CURRENT_LIST_DIR}/StatusTexts.cpp
        ${CMAKE_CURRENT_LIST_DIR}/TreeContainerWnd.cpp)
    lumora_export_headers(lumora_panes)
    target_link_libraries(lumora_panes PUBLIC
        lumora_thumbnails lumora_controls lumora_resources lumora_settings lumora_shell
        lumora_foldertree lumora_infopanel lumora_viewer_panels
        Qt6::Widgets)
    if(TARGET lumora_app)
        target_sources(lumora_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/MainFrameBars.cpp
            ${CMAKE_CURRENT_LIST_DIR}/MainFrameWorkSheets.cpp)
        target_link_libraries(lumora_app PUBLIC lumora_panes)
    endif()
endif()
