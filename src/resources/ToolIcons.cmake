# Tool-bar images and the application icon, drawn in code.
add_library(lumora_resources STATIC ${CMAKE_CURRENT_LIST_DIR}/ToolIcons.cpp)
lumora_export_headers(lumora_resources)
target_link_libraries(lumora_resources PUBLIC Qt6::Gui)
