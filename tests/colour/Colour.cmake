lumora_gtest(lumora_colour_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ColourTest.cpp
    LIBS lumora_colour
    LABELS sanitize)
