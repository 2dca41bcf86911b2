lumora_gtest(commandline_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CommandLineTest.cpp
    LIBS lumora_commandline
    LABELS sanitize)
