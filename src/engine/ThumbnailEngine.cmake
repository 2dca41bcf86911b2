# Thumbnail engine: file kinds, items and their locked list, folder scan, the
# engine thread with its worker (QtCore only, no widgets).
set(_engine_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(lumora_engine STATIC
    ${_engine_dir}/ImageKind.h ${_engine_dir}/ImageKind.cpp
    ${_engine_dir}/ImageItem.h ${_engine_dir}/ImageItem.cpp
    ${_engine_dir}/ImageItemList.h ${_engine_dir}/ImageItemList.cpp
    ${_engine_dir}/FolderScan.cpp
    ${_engine_dir}/LockedValues.h ${_engine_dir}/EngineRequests.h ${_engine_dir}/EngineMessages.h
    ${_engine_dir}/ThumbnailView.h
    ${_engine_dir}/ThumbnailEngine.h ${_engine_dir}/ThumbnailEngine.cpp
    ${_engine_dir}/FolderWatcher.h ${_engine_dir}/FolderWatcher.cpp
    ${_engine_dir}/HeadlessThumbnailView.h ${_engine_dir}/HeadlessThumbnailView.cpp)
target_include_directories(lumora_engine PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(lumora_engine PUBLIC lumora_metadata lumora_dib lumora_messages lumora_folderwatch Qt6::Core
    Threads::Threads)
target_sources(lumora_engine PRIVATE ${_engine_dir}/ItemScan.cpp)
target_link_libraries(lumora_engine PUBLIC lumora_rawparser)
