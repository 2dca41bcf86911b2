# ICC profiles, colour conversion and the display profile (LittleCMS, no Qt).
add_library(lumora_colour STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ColourProfile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ColourTransform.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EmbeddedProfiles.cpp)
lumora_export_headers(lumora_colour)
target_link_libraries(lumora_colour PUBLIC PkgConfig::LCMS2 PRIVATE Threads::Threads)
set_target_properties(lumora_colour PROPERTIES AUTOMOC OFF)
