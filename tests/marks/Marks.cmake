# Marks in XMP: samples written by other programs keep every property, both
# sidecar names, embedded packets, damaged and hostile packets, read-only
# folders (private tmpfs, skipped where mounts are not allowed), undo and
# concurrent writers.
lumora_gtest(marks_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/XmpMarksTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/SidecarTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/EmbeddedXmpTest.cpp
    LIBS lumora_marks PkgConfig::EXIV2
    LABELS sanitize)
target_include_directories(marks_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/platform)
