# Thumbnail engine: the locked item list, folder scan, the engine thread with
# its worker and the folder watch (QtCore only, no widgets).
set(_engine_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(lumora_engine STATIC
    ${_engine_dir}/ImageItemList.h ${_engine_dir}/ImageItemList.cpp
    ${_engine_dir}/FolderScan.cpp
    ${_engine_dir}/ItemScan.cpp
    ${_engine_dir}/ItemMarks.h ${_engine_dir}/ItemMarks.cpp
    ${_engine_dir}/FileAccess.h ${_engine_dir}/FileAccess.cpp
    ${_engine_dir}/LockedValues.h ${_engine_dir}/EngineRequests.h ${_engine_dir}/EngineMessages.h
    ${_engine_dir}/ThumbnailView.h
    ${_engine_dir}/ThumbnailEngine.h ${_engine_dir}/ThumbnailEngine.cpp
    ${_engine_dir}/ThumbnailPool.h ${_engine_dir}/ThumbnailPool.cpp
    ${_engine_dir}/FolderWatcher.h ${_engine_dir}/FolderWatcher.cpp)
lumora_export_headers(lumora_engine)
target_link_libraries(lumora_engine PUBLIC
    lumora_items lumora_rawparser lumora_modernpicture lumora_metadata lumora_marks
    lumora_messages lumora_folderwatch lumora_workerthread
    Qt6::Core Threads::Threads)
