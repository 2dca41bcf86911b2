lumora_gtest(rawparser_edge_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/RawParserEdgeTest.cpp
    LIBS lumora_rawparser
    LABELS sanitize)

lumora_gtest(rawparser_samples_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/RawParserSamplesTest.cpp
    LIBS lumora_rawparser
    LABELS sanitize)

lumora_gtest(rawparser_hostile_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/RawParserHostileTest.cpp
    LIBS lumora_rawparser
    LABELS sanitize)
