# The shared thumbnail cache: headless, also under the sanitizers.
lumora_gtest(lumora_thumbcache_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ThumbnailCacheTest.cpp
    LIBS lumora_decoders Qt6::Gui
    LABELS sanitize)

# The engine's maker over the cache, with real generated JPEGs.
lumora_gtest(lumora_cached_thumbnail_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CachedThumbnailTest.cpp
    LIBS lumora_decoders lumora_samplegen Qt6::Gui
    LABELS sanitize)
