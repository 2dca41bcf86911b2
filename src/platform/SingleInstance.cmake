# Platform services without widgets: the single-instance lock and hand-over.
add_library(lumora_platform STATIC
    ${CMAKE_CURRENT_LIST_DIR}/SingleInstance.cpp)
lumora_export_headers(lumora_platform)
target_link_libraries(lumora_platform PUBLIC Qt6::Core Qt6::Network)
