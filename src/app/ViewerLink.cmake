# The viewer window's link to the main window.
if(TARGET lumora_app AND TARGET lumora_viewer AND TARGET lumora_panes)
    target_sources(lumora_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ViewerLink.cpp
                                      ${CMAKE_CURRENT_LIST_DIR}/ViewerLink.h)
    target_link_libraries(lumora_app PUBLIC lumora_viewer)
endif()
