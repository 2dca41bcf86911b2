# Grid geometry, caption texts and selection rules of the thumbnail view
# (no widgets).
add_library(lumora_thumbnail_rules STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CaptionText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ThumbnailLayout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ThumbnailSelection.cpp)
lumora_export_headers(lumora_thumbnail_rules)
target_link_libraries(lumora_thumbnail_rules PUBLIC Qt6::Core lumora_metadata)
