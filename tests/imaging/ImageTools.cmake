lumora_gtest(test_imagetools
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImageToolsTest.cpp
    LIBS lumora_imagetools
    LABELS sanitize)
