if(TARGET lumora_worksheet_core)
    lumora_gtest(lumora_worksheet_file_test SOURCES WorkSheetFileTest.cpp
        LIBS lumora_worksheet_core LABELS sanitize)
endif()
