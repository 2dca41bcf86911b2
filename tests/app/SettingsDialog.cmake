if(TARGET lumora_app AND TARGET lumora_settingsui)
    lumora_qtest(lumora_settingsdialog_test SOURCES SettingsDialogTest.cpp LIBS lumora_app)
endif()
