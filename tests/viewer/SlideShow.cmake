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
