# Shell stand-ins: clipboard file lists, the folder namespace, file operations,
# folder totals and volume notifications (QtCore/QtGui) ...
add_library(lumora_shell STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ClipboardFiles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileOperation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PathNames.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderSizeCounter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MountTable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShellIcons.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShellNamespace.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VolumeWatcher.cpp)
lumora_export_headers(lumora_shell)
target_link_libraries(lumora_shell PUBLIC Qt6::Core Qt6::Gui lumora_messages lumora_durable Threads::Threads)

# ... and their dialogs and menu (widgets).
if(LUMORA_WIDGETS)
    add_library(lumora_shell_widgets STATIC
        ${CMAKE_CURRENT_LIST_DIR}/FileOperationDialogs.cpp
        ${CMAKE_CURRENT_LIST_DIR}/PropertiesDialog.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ShellContextMenu.cpp)
    target_link_libraries(lumora_shell_widgets PUBLIC lumora_shell Qt6::Widgets)
endif()
