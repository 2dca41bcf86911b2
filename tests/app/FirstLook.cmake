# The main window as a user first meets it: the first item's panel filled
# without a click, the cursor kept through a sort, and loads that scan
# nothing ending their busy state.
if(TARGET lumora_app AND TARGET lumora_panes)
    lumora_qtest(lumora_sort_busy_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/SortAndBusyTest.cpp
                 LIBS lumora_app lumora_samplegen)
    lumora_qtest(lumora_first_panel_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/FirstPanelTest.cpp
                 LIBS lumora_app lumora_samplegen)
endif()
