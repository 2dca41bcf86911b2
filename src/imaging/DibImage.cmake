# Pixel buffer layout shared by every decoder and consumer (header only).
add_library(lumora_dib INTERFACE)
target_include_directories(lumora_dib INTERFACE ${CMAKE_SOURCE_DIR}/src)
