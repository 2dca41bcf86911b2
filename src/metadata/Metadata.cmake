# EXIF and maker-note records and their derived values (no Qt).
add_library(lumora_metadata STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CaptionSummary.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ImageInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/InfoRows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShootingInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShootingTime.cpp)
lumora_export_headers(lumora_metadata)
set_target_properties(lumora_metadata PROPERTIES AUTOMOC OFF)
