# Metadata reader for JPEG/EXIF, TIFF and the camera RAW containers (no Qt).
add_library(lumora_rawparser STATIC
    ${CMAKE_CURRENT_LIST_DIR}/SafeOpen.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileBytes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RawParser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RawParserContainers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RawParserMakerNotes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RawParserMakerNotesCurrent.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RawParserModern.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RawParserCr3.cpp)
lumora_export_headers(lumora_rawparser)
target_link_libraries(lumora_rawparser PUBLIC lumora_metadata PRIVATE lumora_isobmff)
set_target_properties(lumora_rawparser PROPERTIES AUTOMOC OFF)
