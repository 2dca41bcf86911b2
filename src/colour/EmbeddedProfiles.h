// Readers of the colour description files carry besides their pixels:
// the ICC profile a JPEG spreads over APP2 "ICC_PROFILE" segments, and the
// EXIF marking of an Adobe RGB picture (colour space "uncalibrated" with
// the interoperability index "R03", as cameras write it). Both read
// untrusted bytes: every offset and count is checked against the block.
//
// Threads: pure functions, reentrant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace lumora {

// Joins the payloads of a JPEG's APP2 segments (each without its marker and
// length) into the profile they carry. Segments that do not start with
// "ICC_PROFILE\0" are ignored; the others carry a sequence number (from 1)
// and the segment count. The profile is returned only when every segment
// agrees on the count and each number from 1 to the count occurs exactly
// once; otherwise (a lost, repeated or foreign segment) the result is empty.
std::vector<uint8_t> JoinJpegIccSegments(const std::vector<std::span<const uint8_t>>& app2);

// True when a TIFF-structured EXIF block (starting at its byte-order mark,
// as in an APP1 "Exif\0\0" segment after those six bytes) says Adobe RGB:
// ColorSpace 0xFFFF in the EXIF IFD and interoperability index "R03".
bool ExifSaysAdobeRgb(std::span<const uint8_t> tiff);

// The same for the payload of a JPEG APP1 segment; false when it is not an
// EXIF segment.
bool ExifSegmentSaysAdobeRgb(std::span<const uint8_t> app1);

} // namespace lumora
