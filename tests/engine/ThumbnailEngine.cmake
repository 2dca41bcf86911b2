lumora_gtest(engine_items_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImageItemListTest.cpp
    LIBS lumora_engine
    LABELS sanitize)
lumora_gtest(engine_thread_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ThumbnailEngineTest.cpp
    LIBS lumora_engine
    LABELS sanitize tsan)
lumora_gtest(engine_watch_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/FolderWatcherTest.cpp
    LIBS lumora_engine
    LABELS sanitize tsan)
