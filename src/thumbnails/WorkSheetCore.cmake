# The worksheet-list file and the export copy (no widgets).
add_library(lumora_worksheet_core STATIC
    ${CMAKE_CURRENT_LIST_DIR}/WorkSheetFile.h ${CMAKE_CURRENT_LIST_DIR}/WorkSheetFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WorkSheetExport.h ${CMAKE_CURRENT_LIST_DIR}/WorkSheetExport.cpp)
lumora_export_headers(lumora_worksheet_core)
target_link_libraries(lumora_worksheet_core PUBLIC lumora_messages lumora_durable Qt6::Core Threads::Threads)
