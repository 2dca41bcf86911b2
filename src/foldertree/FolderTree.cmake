# The folder tree and the address box.
add_library(lumora_foldertree STATIC
    ${CMAKE_CURRENT_LIST_DIR}/BrowseCombo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShellTreeCtrl.cpp)
target_include_directories(lumora_foldertree PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(lumora_foldertree PUBLIC lumora_shell_widgets lumora_messages Qt6::Widgets)
