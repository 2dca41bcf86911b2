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
# The address box under a real X server, driven by real key presses.
if(TARGET lumora AND LUMORA_WIDGETS)
    add_test(NAME lumora_address_box_e2e
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/address_box_e2e.sh $<TARGET_FILE:lumora>)
    set_tests_properties(lumora_address_box_e2e PROPERTIES
        LABELS "widgets;e2e" SKIP_RETURN_CODE 77 TIMEOUT 120 RUN_SERIAL TRUE)
endif()
