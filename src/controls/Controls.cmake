# General widgets: splitter bars and the progress bar with a text.
add_library(lumora_controls STATIC
    Divider.cpp Divider.h
    TextProgressCtrl.cpp TextProgressCtrl.h)
target_include_directories(lumora_controls PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(lumora_controls PUBLIC Qt6::Widgets)
