lumora_qtest(histogram_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/HistogramCtrlTest.cpp
    LIBS lumora_viewer_panels)
lumora_qtest(minipreview_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/MiniPreviewCtrlTest.cpp
    LIBS lumora_viewer_panels lumora_samplegen)
