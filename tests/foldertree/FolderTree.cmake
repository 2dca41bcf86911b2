lumora_qtest(lumora_foldertree_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShellTreeCtrlTest.cpp
    LIBS lumora_foldertree)
lumora_qtest(lumora_browsecombo_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/BrowseComboTest.cpp
    LIBS lumora_foldertree)
if(TARGET lumora_app)
    lumora_qtest(lumora_mainframe_tree_tests
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFrameTreeTest.cpp
        LIBS lumora_app lumora_foldertree)
endif()
