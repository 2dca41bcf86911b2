# Culling marks (rating, reject, colour label) in XMP sidecars and embedded
# XMP, read and rewritten with exiv2 (no Qt).
find_package(PkgConfig REQUIRED)
pkg_check_modules(EXIV2 REQUIRED IMPORTED_TARGET GLOBAL exiv2)
add_library(lumora_marks STATIC
    ${CMAKE_CURRENT_LIST_DIR}/Marks.h ${CMAKE_CURRENT_LIST_DIR}/Marks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/XmpMarks.h ${CMAKE_CURRENT_LIST_DIR}/XmpMarks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EmbeddedXmp.h ${CMAKE_CURRENT_LIST_DIR}/EmbeddedXmp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Sidecar.h ${CMAKE_CURRENT_LIST_DIR}/Sidecar.cpp)
lumora_export_headers(lumora_marks)
target_link_libraries(lumora_marks PUBLIC lumora_durable PRIVATE PkgConfig::EXIV2 Threads::Threads)
set_target_properties(lumora_marks PROPERTIES AUTOMOC OFF)
