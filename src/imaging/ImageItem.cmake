# The image item record and the file kinds: what the decoders read and fill
# and the engine lists (no Qt).
add_library(lumora_items STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ImageItem.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ImageKind.cpp)
lumora_export_headers(lumora_items)
target_link_libraries(lumora_items PUBLIC lumora_dib lumora_metadata lumora_marks)
set_target_properties(lumora_items PROPERTIES AUTOMOC OFF)
