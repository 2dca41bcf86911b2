if(TARGET lumora_preview_layout)
    lumora_gtest(lumora_preview_layout_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/PreviewLayoutTest.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/ZoomAnchorTest.cpp
                 LIBS lumora_preview_layout LABELS sanitize)
endif()

if(TARGET lumora_viewer)
    lumora_qtest(lumora_viewer_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ViewerTest.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/FakeViewerList.h
                 LIBS lumora_viewer lumora_samplegen)
    lumora_qtest(lumora_compare_view_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/CompareViewTest.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/FakeViewerList.h
                 LIBS lumora_viewer)
    lumora_qtest(lumora_viewer_picture_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ViewerPictureTest.cpp
                 LIBS lumora_viewer)
endif()

if(TARGET lumora)
    add_test(NAME lumora_viewer_e2e
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/viewer_e2e.sh $<TARGET_FILE:lumora>
                     ${LUMORA_SHARED_SAMPLES})
    set_tests_properties(lumora_viewer_e2e PROPERTIES
        LABELS "widgets;e2e" SKIP_RETURN_CODE 77 TIMEOUT 120 RUN_SERIAL TRUE)
endif()

# Two frames side by side through the real program under Xvfb.
if(TARGET lumora)
    add_test(NAME lumora_compare_e2e
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/compare_e2e.sh $<TARGET_FILE:lumora>
                     ${CMAKE_CURRENT_BINARY_DIR}/compare-e2e.png)
    set_tests_properties(lumora_compare_e2e PROPERTIES
        LABELS "widgets;e2e" SKIP_RETURN_CODE 77 TIMEOUT 120 RUN_SERIAL TRUE)
endif()
