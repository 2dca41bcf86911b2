# Decoder, thumbnail and loader tests: headless, also run under the sanitizers.
lumora_gtest(lumora_decoders_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/JpegDecoderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/OtherDecodersTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ThumbnailDecoderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ImageLoaderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/HostileDecodeTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/NonRegularFilesTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/RecentBytesTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/TiffOrientationTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/GeneratedSamplesTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/DecodeLimitsTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ModernSamplesTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ColourDecodeTest.cpp
    LIBS lumora_decoders lumora_engine lumora_samplegen JPEG::JPEG TIFF::TIFF Qt6::Gui
    LABELS sanitize)

# Text drawing needs a GUI application (offscreen): normal tree only.
lumora_gtest(lumora_decoders_gui_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/DecodersGuiTest.cpp
    LIBS lumora_decoders Qt6::Gui
    LABELS gui)
