# File operations on a view's items (clipboard, trash, properties).
if(TARGET lumora_thumbnails)
    target_sources(lumora_thumbnails PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ThumbnailFileOps.cpp)
    target_link_libraries(lumora_thumbnails PUBLIC lumora_shell_widgets)
endif()
