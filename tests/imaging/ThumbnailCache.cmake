# The shared thumbnail cache: headless, also under the sanitizers.
lumora_gtest(lumora_thumbcache_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ThumbnailCacheTest.cpp
    LIBS lumora_decoders Qt6::Gui
    LABELS sanitize)
