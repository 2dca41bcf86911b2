# Tool-bar images and the application icon, drawn in code.
add_library(lumora_resources STATIC ${CMAKE_CURRENT_LIST_DIR}/ToolIcons.cpp)
target_include_directories(lumora_resources PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(lumora_resources PUBLIC Qt6::Gui)
