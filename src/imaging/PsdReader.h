// Reader of layered-image (.psd) files: header, colour-mode data, image
// resources with the JPEG thumbnail (ids 1033 and 1036), the layer block
// (skipped) and the merged composite in raw or PackBits form. Every length
// is checked against the file size; nothing is allocated from an unchecked
// length.
//
// Threads: one CPsdReader belongs to the thread that made it (it keeps the
// open file's positions); separate readers may run on any threads at once.
#pragma once

#include "imaging/DecodeResult.h"
#include "imaging/DibImage.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace lumora {

class CPsdReader {
public:
    // Reads the header and the sections up to the image data. False when the
    // file cannot be opened or its sections run past its end.
    bool Open(const std::string& path);

    // Decodes the composite into a width x height picture. Combinations the
    // reader does not convert (other depths, fewer than three channels,
    // unknown compression, data past the end of the file) leave it zero.
    // False only when the picture cannot be allocated, or when it has more
    // than maxPixels pixels.
    bool ReadComposite(DibImage& out, int64_t maxPixels = kMaxOutputPixels);

    bool HasThumbnail() const { return thumbnailLength != 0; }
    // The embedded ICC profile (image resource 1039), empty when there is
    // none or it cannot be read.
    std::vector<uint8_t> ReadIccProfile();

    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t channels = 0;
    uint16_t depth = 0;
    uint16_t colorMode = 0;
    uint64_t colorModeOffset = 0, colorModeLength = 0;
    uint64_t resourcesOffset = 0, resourcesLength = 0;
    uint64_t layersOffset = 0, layersLength = 0;
    uint64_t imageDataOffset = 0; // position of the 2-byte compression code
    uint64_t thumbnailOffset = 0; // JPEG thumbnail position, 0 when absent
    uint64_t thumbnailLength = 0;
    uint64_t iccOffset = 0; // ICC profile resource, 0 when absent
    uint64_t iccLength = 0;
    uint64_t fileSize = 0;

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    bool findThumbnail();
    bool unpackRows(DibImage& out);
    bool copyRawPlanes(DibImage& out);

    std::unique_ptr<std::FILE, FileCloser> file_;
};

} // namespace lumora
