lumora_gtest(lumora_shell_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ClipboardFilesTest.cpp
    LIBS lumora_shell
    LABELS sanitize)
