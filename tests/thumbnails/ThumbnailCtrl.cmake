if(TARGET lumora_thumbnails)
    lumora_qtest(lumora_thumbnail_ctrl_test SOURCES ThumbnailCtrlTest.cpp LIBS lumora_thumbnails)
    lumora_qtest(lumora_thumbnail_files_test SOURCES ThumbnailFilesTest.cpp LIBS lumora_thumbnails)
    lumora_qtest(lumora_thumbnail_cache_view_test SOURCES ThumbnailCacheViewTest.cpp
                 LIBS lumora_thumbnails lumora_samplegen)
    lumora_qtest(lumora_cell_caption_test SOURCES CellCaptionTest.cpp LIBS lumora_thumbnails)
    lumora_qtest(lumora_thumbnail_oddfiles_test SOURCES ThumbnailCtrlOddFilesTest.cpp
        LIBS lumora_thumbnails)
endif()

if(TARGET lumora_thumbnails AND LUMORA_WIDGETS)
    add_executable(lumora_thumbnail_e2e ThumbnailE2E.cpp)
    target_link_libraries(lumora_thumbnail_e2e PRIVATE lumora_thumbnails)
    add_test(NAME lumora_thumbnail_e2e
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/thumbnail_e2e.sh $<TARGET_FILE:lumora_thumbnail_e2e>)
    set_tests_properties(lumora_thumbnail_e2e PROPERTIES
        LABELS "widgets;e2e" SKIP_RETURN_CODE 77 TIMEOUT 120 RUN_SERIAL TRUE)
endif()
