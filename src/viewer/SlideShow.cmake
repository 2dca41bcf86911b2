# The slideshow: its options dialog, the run state and the background music.
if(LUMORA_WIDGETS AND TARGET Qt6::Multimedia)
    add_library(lumora_slideshow STATIC
        ${CMAKE_CURRENT_LIST_DIR}/BgmPlayer.cpp
        ${CMAKE_CURRENT_LIST_DIR}/BgmPlayer.h
        ${CMAKE_CURRENT_LIST_DIR}/SlideShow.cpp
        ${CMAKE_CURRENT_LIST_DIR}/SlideShow.h
        ${CMAKE_CURRENT_LIST_DIR}/SlideShowDlg.cpp
        ${CMAKE_CURRENT_LIST_DIR}/SlideShowDlg.h)
    lumora_export_headers(lumora_slideshow)
    target_link_libraries(lumora_slideshow PUBLIC
        lumora_settings lumora_controls Qt6::Widgets Qt6::Multimedia)
endif()
