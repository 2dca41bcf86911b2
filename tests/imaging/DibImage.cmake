lumora_gtest(test_dibimage
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/DibImageTest.cpp
    LIBS lumora_dib
    LABELS sanitize)
