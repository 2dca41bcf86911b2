lumora_qtest(infocontainer_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/InfoContainerTest.cpp
    LIBS lumora_infopanel)
