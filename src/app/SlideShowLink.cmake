# The slideshow's link to the viewer window, the views and the commands.
if(TARGET lumora_app AND TARGET lumora_viewer AND TARGET lumora_slideshow)
    target_sources(lumora_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/SlideShowLink.cpp
                                      ${CMAKE_CURRENT_LIST_DIR}/SlideShowLink.h)
    target_link_libraries(lumora_app PUBLIC lumora_slideshow)
endif()
