# Typed messages: posting, sending and the ThreadSanitizer ordering marks (header only).
add_library(lumora_messages INTERFACE)
lumora_export_headers(lumora_messages)
target_link_libraries(lumora_messages INTERFACE Qt6::Core)
