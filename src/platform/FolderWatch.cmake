# Folder change notification (inotify), no Qt.
add_library(lumora_folderwatch STATIC ${CMAKE_CURRENT_LIST_DIR}/FolderWatch.cpp)
lumora_export_headers(lumora_folderwatch)
set_target_properties(lumora_folderwatch PROPERTIES AUTOMOC OFF)
