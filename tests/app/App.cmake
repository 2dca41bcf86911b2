lumora_qtest(mainframe_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFrameTest.cpp
    LIBS lumora_app)
lumora_qtest(fontconfig_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/FontConfigTest.cpp
    LIBS lumora_app)

# The real program, started offscreen, writes a PNG of its window and exits 0.
if(LUMORA_WIDGETS)
    lumora_gtest(realprogram_tests
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/RealProgramTest.cpp
        LIBS lumora_settings Qt6::Gui
        LABELS widgets)
    add_dependencies(realprogram_tests lumora)
    lumora_gtest(oddfiles_program_tests
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/OddFilesProgramTest.cpp
        LIBS lumora_settings Qt6::Gui
        LABELS widgets)
    add_dependencies(oddfiles_program_tests lumora)
    add_test(NAME lumora_screenshot
        COMMAND ${CMAKE_COMMAND}
            -DLUMORA=$<TARGET_FILE:lumora>
            -DOUT=${CMAKE_CURRENT_BINARY_DIR}/lumora-screenshot.png
            -P ${CMAKE_CURRENT_LIST_DIR}/scripts/RunScreenshot.cmake)
    set_tests_properties(lumora_screenshot PROPERTIES
        LABELS "widgets" ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
endif()
