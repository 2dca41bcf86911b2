lumora_gtest(rawparser_edge_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/RawParserEdgeTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/RawParserMovedMakerNoteTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/RawParserFieldTypesTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/RawParserJpegSegmentsTest.cpp
    LIBS lumora_rawparser lumora_samplegen
    LABELS sanitize)

lumora_gtest(rawparser_samples_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/RawParserSamplesTest.cpp
    LIBS lumora_rawparser
    LABELS sanitize)

lumora_gtest(rawparser_hostile_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/RawParserHostileTest.cpp
    LIBS lumora_rawparser
    LABELS sanitize)

# Runs the built lumora-inspect (normal tree only).
if(NOT LUMORA_SANITIZE)
    lumora_gtest(inspect_tool_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/FileInfoToolTest.cpp
        LIBS lumora_decoders lumora_engine lumora_samplegen Qt6::Gui)
    add_dependencies(inspect_tool_test lumora-inspect)
endif()

lumora_gtest(rawparser_modern_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/RawParserModernTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/RawParserMakerNotesCurrentTest.cpp
    LIBS lumora_rawparser lumora_samplegen
    LABELS sanitize)
