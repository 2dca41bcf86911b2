lumora_gtest(keydata_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/KeyDataTest.cpp
    LIBS Qt6::Core
    LABELS sanitize)
target_include_directories(keydata_tests PRIVATE ${CMAKE_SOURCE_DIR}/src)
