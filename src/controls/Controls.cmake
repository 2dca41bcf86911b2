# General widgets: splitter bars and the progress bar with a text.
add_library(lumora_controls STATIC
    Divider.cpp Divider.h
    TextProgressCtrl.cpp TextProgressCtrl.h)
lumora_export_headers(lumora_controls)
target_link_libraries(lumora_controls PUBLIC lumora_messages Qt6::Widgets)
