# The command line and the start-up hand-over record (QtCore only).
add_library(lumora_commandline STATIC ${CMAKE_CURRENT_LIST_DIR}/CommandLine.cpp)
lumora_export_headers(lumora_commandline)
target_link_libraries(lumora_commandline PUBLIC Qt6::Core)
