# The folder tree and the address box.
add_library(lumora_foldertree STATIC
    ${CMAKE_CURRENT_LIST_DIR}/BrowseCombo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShellTreeCtrl.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShellTreeScroll.cpp)
lumora_export_headers(lumora_foldertree)
target_link_libraries(lumora_foldertree PUBLIC lumora_shell_widgets lumora_messages lumora_controls Qt6::Widgets)
