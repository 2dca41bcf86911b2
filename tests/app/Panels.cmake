# The information panel and the mini preview in the real program, under Xvfb.
if(LUMORA_WIDGETS)
    add_test(NAME lumora_panels_e2e
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/panels_e2e.sh $<TARGET_FILE:lumora>
                     ${LUMORA_SHARED_SAMPLES} ${CMAKE_CURRENT_BINARY_DIR}/panels-e2e.png)
    set_tests_properties(lumora_panels_e2e PROPERTIES
        LABELS "widgets;e2e" SKIP_RETURN_CODE 77 TIMEOUT 120 RUN_SERIAL TRUE)
endif()

# A new user's first look: a folder ten levels deep, its first item's panel,
# and a sort that keeps the cursor on its file.
if(LUMORA_WIDGETS)
    add_test(NAME lumora_first_look_e2e
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/first_look_e2e.sh $<TARGET_FILE:lumora>
                     ${LUMORA_SHARED_SAMPLES} ${CMAKE_CURRENT_BINARY_DIR}/first-look-e2e.png)
    set_tests_properties(lumora_first_look_e2e PROPERTIES
        LABELS "widgets;e2e" SKIP_RETURN_CODE 77 TIMEOUT 120 RUN_SERIAL TRUE)
endif()

# A folder of current camera and phone files: CR3, ARW, DNG, HEIC and PNG
# thumbnails with captions, the HEIC upright in the viewer, the CR3's Canon
# maker-note rows in the information panel.
if(LUMORA_WIDGETS)
    add_test(NAME lumora_modern_files_e2e
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/modern_files_e2e.sh $<TARGET_FILE:lumora>
                     $<TARGET_FILE:lumora-samples> ${LUMORA_SHARED_SAMPLES}
                     ${CMAKE_CURRENT_BINARY_DIR}/modern-files-e2e.png)
    set_tests_properties(lumora_modern_files_e2e PROPERTIES
        LABELS "widgets;e2e" SKIP_RETURN_CODE 77 TIMEOUT 180 RUN_SERIAL TRUE)
endif()

# Culling by keyboard: ratings, a reject and a label written to sidecars that
# exiftool reads, and the filter deciding what select-all and copy take.
if(LUMORA_WIDGETS)
    add_test(NAME lumora_marks_e2e
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/marks_e2e.sh $<TARGET_FILE:lumora>
                     ${LUMORA_SHARED_SAMPLES} ${CMAKE_CURRENT_BINARY_DIR}/marks-e2e.png)
    set_tests_properties(lumora_marks_e2e PROPERTIES
        LABELS "widgets;e2e" SKIP_RETURN_CODE 77 TIMEOUT 120 RUN_SERIAL TRUE)
endif()
