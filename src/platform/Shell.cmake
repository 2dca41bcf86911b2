# Shell stand-ins: clipboard file lists, the folder namespace, file operations
# and volume notifications (QtCore/QtGui), plus their dialogs (widgets).
add_library(lumora_shell STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ClipboardFiles.cpp)
target_include_directories(lumora_shell PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(lumora_shell PUBLIC Qt6::Core Qt6::Gui lumora_messages)
