lumora_gtest(lumora_shell_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ClipboardFilesTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/FileOperationTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ShellNamespaceTest.cpp
    LIBS lumora_shell
    LABELS sanitize)
