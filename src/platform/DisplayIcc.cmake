# The display profile the desktop publishes on the X root window (Qt's X
# connection through libxcb; a no-op off X).
if(TARGET PkgConfig::XCB)
    add_library(lumora_displayicc STATIC ${CMAKE_CURRENT_LIST_DIR}/DisplayIcc.cpp)
    lumora_export_headers(lumora_displayicc)
    target_link_libraries(lumora_displayicc PUBLIC Qt6::Gui PRIVATE PkgConfig::XCB)
endif()
