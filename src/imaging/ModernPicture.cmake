# HEIF, AVIF, PNG, WebP and JPEG XL: the glue of each kind and their EXIF
# through the metadata parser (no Qt).
add_library(lumora_modernpicture STATIC ${CMAKE_CURRENT_LIST_DIR}/ModernPicture.cpp)
lumora_export_headers(lumora_modernpicture)
target_link_libraries(lumora_modernpicture
    PUBLIC lumora_picture lumora_items lumora_rawparser
    PRIVATE lumora_heif lumora_png lumora_webp lumora_jxl)
set_target_properties(lumora_modernpicture PROPERTIES AUTOMOC OFF)
