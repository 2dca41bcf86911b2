# The display profile from the X root window, under Xvfb (skips with 77
# without it).
if(TARGET lumora_app AND TARGET lumora_displayicc AND LUMORA_WIDGETS)
    add_executable(lumora_display_colours_test ${CMAKE_CURRENT_LIST_DIR}/DisplayColoursTest.cpp)
    target_link_libraries(lumora_display_colours_test PRIVATE
        lumora_app lumora_colour lumora_displayicc PkgConfig::XCB Qt6::Test)
    add_test(NAME lumora_display_colours_test
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/display_colours_xvfb.sh
                     $<TARGET_FILE:lumora_display_colours_test>)
    set_tests_properties(lumora_display_colours_test PROPERTIES
        LABELS "widgets;x11" SKIP_RETURN_CODE 77 TIMEOUT 120)
endif()
