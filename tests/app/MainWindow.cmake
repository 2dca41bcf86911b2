if(TARGET lumora_app AND TARGET lumora_panes)
    lumora_qtest(lumora_mainwindow_test SOURCES MainWindowTest.cpp LIBS lumora_app)
endif()
