lumora_gtest(metadata_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/MetadataTest.cpp
    LIBS lumora_metadata
    LABELS sanitize)
