// JPEG decoding over libjpeg-turbo into the bottom-up BGR layout, from a
// whole file (stdio source) or from an embedded block read in one piece
// (memory source), with DCT scaling and cancellation every 5 rows.
//
// Threads: every function is reentrant and may run on any thread at once
// (the engine's worker, the loader threads and the GUI thread do); each call
// owns its libjpeg state and file. The caller owns what comes back; a memory
// source stays the caller's and must outlive the call.
#pragma once

#include "colour/ColourProfile.h"
#include "imaging/DecodeResult.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace lumora {

// Where the JPEG stream lies. With offset and length both non-zero the block
// [offset, offset + length) is read into memory and decoded from there;
// otherwise the file is decoded from its start.
struct JpegSource {
    std::string path; // local 8-bit path
    uint64_t offset = 0;
    uint64_t length = 0;
    int kind = 0; // image kind: 21 and 22 store a damaged start-of-image marker
};

struct JpegOptions {
    // Longer-side target for the scale rule; 0 decodes at full size.
    int scaleTarget = 0;
    // Largest picture decoded, in source pixels; a larger one fails after
    // its header was read.
    int64_t maxSourcePixels = kMaxSourcePixels;
    CancelTest cancel;
    SizeCallback onSize;
    // Optional; the caller keeps it alive for the call.
    const RowWatch* watch = nullptr;
    // When set, the rows are converted from the file's own colours (its
    // ICC profile, else Adobe RGB when its EXIF says so, else sRGB) into
    // this profile a band at a time as they are decoded, before a watcher
    // is told of them. Null leaves the decoded values as they are. The
    // file's profile bytes and EXIF marking are reported either way.
    ProfilePtr colourTarget;
    // The file's metadata, read elsewhere (a RAW file's EXIF for its
    // preview), marks the picture as Adobe RGB.
    bool exifAdobeRgb = false;
};

class CJpegDecoder {
public:
    static DecodeOutput Decode(const JpegSource& source, const JpegOptions& options);
    // Decodes a JPEG already in memory. The buffer is patched in place for
    // kinds 21 and 22, so it is taken mutable.
    static DecodeOutput DecodeMemory(uint8_t* data, std::size_t size, int kind,
                                     const JpegOptions& options);

    // Sets the start-of-image bytes that kinds 21 (FF D8) and 22 (FF) store
    // damaged.
    static void PatchStartOfImage(uint8_t* data, std::size_t size, int kind);
};

enum class BlockRead { Read, OpenFailed, OutOfRange };

// Reads [offset, offset + length) of a file in one piece (one allocation of
// exactly length bytes, only after the block was checked against the file).
BlockRead ReadFileBlock(const std::string& path, uint64_t offset, uint64_t length,
                        std::unique_ptr<uint8_t[]>& out);

} // namespace lumora
