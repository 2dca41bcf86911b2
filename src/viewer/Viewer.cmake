# The viewer: its layout arithmetic (headless), the preview canvas with its
# loader, and the viewer window.
add_library(lumora_preview_layout STATIC ${CMAKE_CURRENT_LIST_DIR}/PreviewLayout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ZoomAnchor.cpp)
lumora_export_headers(lumora_preview_layout)

if(LUMORA_WIDGETS AND TARGET lumora_decoders)
    add_library(lumora_viewer STATIC
        ${CMAKE_CURRENT_LIST_DIR}/ViewerPicture.cpp
        ${CMAKE_CURRENT_LIST_DIR}/LoaderGlue.cpp
        ${CMAKE_CURRENT_LIST_DIR}/PictureLoader.cpp
        ${CMAKE_CURRENT_LIST_DIR}/QuarterFollower.cpp
        ${CMAKE_CURRENT_LIST_DIR}/PixelPool.cpp
        ${CMAKE_CURRENT_LIST_DIR}/PreviewCtrl.cpp
        ${CMAKE_CURRENT_LIST_DIR}/PreviewCtrlZoom.cpp
        ${CMAKE_CURRENT_LIST_DIR}/PreviewCtrl.h
        ${CMAKE_CURRENT_LIST_DIR}/ViewerFrame.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ViewerFrame.h
        ${CMAKE_CURRENT_LIST_DIR}/ViewerFrameCompare.cpp
        ${CMAKE_CURRENT_LIST_DIR}/CompareView.cpp
        ${CMAKE_CURRENT_LIST_DIR}/CompareView.h
        ${CMAKE_CURRENT_LIST_DIR}/ViewerIcons.cpp)
    lumora_export_headers(lumora_viewer)
    target_link_libraries(lumora_viewer PUBLIC
        lumora_preview_layout lumora_decoders lumora_engine lumora_settings lumora_messages
        lumora_skipper_slider Qt6::Widgets
        PRIVATE Threads::Threads)
endif()
