# Stateless pixel toolbox over DibImage (no Qt).
add_library(lumora_imagetools STATIC ${CMAKE_CURRENT_LIST_DIR}/ImageTools.cpp)
target_include_directories(lumora_imagetools PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(lumora_imagetools PUBLIC lumora_dib)
