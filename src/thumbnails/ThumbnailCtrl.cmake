# The thumbnail grid widget and its drop-target helper.
if(LUMORA_WIDGETS AND TARGET lumora_engine)
    add_library(lumora_thumbnails STATIC
        ${CMAKE_CURRENT_LIST_DIR}/CellPainter.cpp
        ${CMAKE_CURRENT_LIST_DIR}/FileDropTarget.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ThumbnailCtrl.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ThumbnailInput.cpp
        ${CMAKE_CURRENT_LIST_DIR}/WorkSheetTabStrip.cpp
        ${CMAKE_CURRENT_LIST_DIR}/WorkSheetWriteDlg.cpp
        ${CMAKE_CURRENT_LIST_DIR}/FileProgressDlg.cpp)
    lumora_export_headers(lumora_thumbnails)
    target_link_libraries(lumora_thumbnails PUBLIC
        Qt6::Widgets lumora_thumbnail_rules lumora_engine lumora_decoders lumora_settings lumora_shell
        lumora_messages lumora_controls lumora_worksheet_core)
endif()
