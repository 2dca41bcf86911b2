# Decoders of every file kind into DibImage, the thumbnail decode and the
# loader threads (QtCore/QtGui, no widgets).
add_library(lumora_decoders STATIC
    ${CMAKE_CURRENT_LIST_DIR}/PixelMemory.cpp
    ${CMAKE_CURRENT_LIST_DIR}/JpegDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TiffDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PsdReader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DecodedColours.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PictureDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ModernDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ThumbnailDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ImageLoader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ThumbnailCache.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CachedThumbnail.cpp)
lumora_export_headers(lumora_decoders)
target_link_libraries(lumora_decoders
    PUBLIC lumora_dib lumora_rawparser lumora_messages lumora_items lumora_imagetools lumora_metadata lumora_modernpicture lumora_colour Qt6::Core Qt6::Gui
    PRIVATE JPEG::JPEG TIFF::TIFF Threads::Threads)
