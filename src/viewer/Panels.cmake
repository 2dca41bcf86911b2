# The histogram and the mini preview (Qt Widgets).
# (The viewer folder is also read by headless builds, for the layout library.)
if(LUMORA_WIDGETS)
    add_library(lumora_viewer_panels STATIC
        ${CMAKE_CURRENT_LIST_DIR}/HistogramCtrl.cpp
        ${CMAKE_CURRENT_LIST_DIR}/MiniPreviewCtrl.cpp
        ${CMAKE_CURRENT_LIST_DIR}/MiniPreviewLoupe.cpp)
    lumora_export_headers(lumora_viewer_panels)
    target_link_libraries(lumora_viewer_panels PUBLIC
        lumora_decoders lumora_imagetools lumora_engine lumora_metadata lumora_messages Qt6::Widgets
        PRIVATE Threads::Threads)
endif()
