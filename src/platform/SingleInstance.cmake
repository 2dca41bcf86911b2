# Platform services without widgets: the single-instance lock and hand-over.
add_library(lumora_platform STATIC
    ${CMAKE_CURRENT_LIST_DIR}/SingleInstance.cpp)
target_include_directories(lumora_platform PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(lumora_platform PUBLIC Qt6::Core Qt6::Network)
