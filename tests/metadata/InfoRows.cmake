lumora_gtest(info_rows_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/InfoRowsTest.cpp
    LIBS lumora_metadata
    LABELS sanitize)
