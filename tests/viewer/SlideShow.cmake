if(TARGET lumora_slideshow)
    lumora_qtest(lumora_slideshow_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/SlideShowTest.cpp
        LIBS lumora_slideshow)
    # The music plays through the real player. Every sound-card sink is ranked
    # out, so GStreamer's automatic audio sink falls back to its fake sink,
    # which discards the sound at the pace of the clock, on any machine.
    set_tests_properties(lumora_slideshow_test PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_MEDIA_BACKEND=gstreamer;PULSE_SERVER=none;GST_PLUGIN_FEATURE_RANK=pulsesink:NONE,alsasink:NONE,jackaudiosink:NONE,oss4sink:NONE,osssink:NONE,pipewiresink:NONE")
endif()

# A three-image slideshow through the real program under Xvfb.
if(TARGET lumora AND TARGET lumora_viewer AND TARGET lumora_slideshow)
    add_test(NAME lumora_slideshow_e2e
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/slideshow_e2e.sh $<TARGET_FILE:lumora>
                     ${LUMORA_SHARED_SAMPLES})
    set_tests_properties(lumora_slideshow_e2e PROPERTIES
        LABELS "widgets;e2e" SKIP_RETURN_CODE 77 TIMEOUT 180)
endif()
