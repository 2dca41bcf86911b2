// HEIF, AVIF, PNG, WebP and JPEG XL files as the rest of the program sees
// them: the right format glue for a kind, and the file's EXIF block opened
// in the metadata parser exactly as a JPEG's APP1 block would be.
//
// Threads: reentrant. A ModernPictureInfo and the parser it was opened into
// belong to one thread; the parser reads info.probe.exif until it is closed,
// so the info must outlive the parser's Close.
#pragma once

#include "formats/picture/Picture.h"
#include "imaging/ImageKind.h"
#include "imaging/RawParser.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumora {

// The glue of a modern picture kind (isModernPictureKind); any other kind
// gives a picture with an error.
picture::Picture ReadModernPicture(const std::string& path, ImageKind kind,
                                   const picture::Request& request);

struct ModernPictureInfo {
    picture::Picture probe;  // sizes, colour profile and EXIF; no pixels
    bool exifParsed = false; // the parser holds the EXIF block's records
    // The EXIF block wrapped as a JPEG's APP1 segment, which the parser reads.
    std::vector<std::uint8_t> wrapped;
};

// Reads the file's header and metadata; when it has an EXIF block, opens
// the parser on it as on a JPEG's APP1 block, so maker notes are chosen by
// make as for a JPEG (a block too long for one segment is read as TIFF).
// Positions the parser reports are not file positions and are not to be
// used. False when the file is not a picture of its kind
// or cannot be read.
bool OpenModernPicture(const std::string& path, ImageKind kind, CRawParser& parser,
                       ModernPictureInfo& info);

} // namespace lumora
