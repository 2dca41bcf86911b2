# The information panel: the histogram over the two-column list of the
# current item's file, EXIF and maker-note rows.
if(LUMORA_WIDGETS)
    add_library(lumora_infopanel STATIC ${CMAKE_CURRENT_LIST_DIR}/InfoContainer.cpp)
    lumora_export_headers(lumora_infopanel)
    target_link_libraries(lumora_infopanel PUBLIC
        lumora_metadata lumora_engine lumora_viewer_panels Qt6::Widgets)
endif()
