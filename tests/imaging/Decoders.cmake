lumora_gtest(lumora_decoders_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/JpegDecoderTest.cpp
    LIBS lumora_decoders JPEG::JPEG TIFF::TIFF Qt6::Gui
    LABELS sanitize)
