# Folder change notification (inotify), no Qt.
add_library(lumora_folderwatch STATIC ${CMAKE_CURRENT_LIST_DIR}/FolderWatch.cpp)
target_include_directories(lumora_folderwatch PUBLIC ${CMAKE_SOURCE_DIR}/src)
set_target_properties(lumora_folderwatch PROPERTIES AUTOMOC OFF)
