if(TARGET lumora_thumbnails)
    lumora_qtest(lumora_thumbnail_ctrl_test SOURCES ThumbnailCtrlTest.cpp LIBS lumora_thumbnails)
endif()
