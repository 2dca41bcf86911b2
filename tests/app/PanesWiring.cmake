if(TARGET lumora_panes)
    lumora_qtest(panes_wiring_tests
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/PanesWiringTest.cpp
        LIBS lumora_panes)
endif()
