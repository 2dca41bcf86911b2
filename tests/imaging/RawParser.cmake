lumora_gtest(rawparser_edge_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/RawParserEdgeTest.cpp
    LIBS lumora_rawparser
    LABELS sanitize)
