# Typed messages: posting, sending and the ThreadSanitizer ordering marks (header only).
add_library(lumora_messages INTERFACE)
target_include_directories(lumora_messages INTERFACE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(lumora_messages INTERFACE Qt6::Core)
