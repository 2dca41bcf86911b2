lumora_gtest(lumora_decoders_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/JpegDecoderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/OtherDecodersTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ThumbnailDecoderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ImageLoaderTest.cpp
    LIBS lumora_decoders JPEG::JPEG TIFF::TIFF Qt6::Gui
    LABELS sanitize)
