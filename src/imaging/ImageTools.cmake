# Stateless pixel toolbox over DibImage (no Qt).
add_library(lumora_imagetools STATIC ${CMAKE_CURRENT_LIST_DIR}/ImageTools.cpp)
lumora_export_headers(lumora_imagetools)
target_link_libraries(lumora_imagetools PUBLIC lumora_dib)
