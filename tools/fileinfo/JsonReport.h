#pragma once

#include "imaging/RawParser.h"

#include <filesystem>
#include <string>

namespace lumora::inspect {

// Kind code for a file name's extension, or -1 when the parser has no use for it.
int KindForPath(const std::filesystem::path& path);

// A picture read by its own library (HEIF, AVIF, PNG, WebP, JPEG XL): its
// size as shown replaces the EXIF one, and it has no embedded JPEGs (the
// parser, opened on the EXIF block alone, may not be open at all).
struct PictureFacts {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// One JSON object describing what the parser found (stable keys; null for
// absent fields). indent is the indentation of the object's own braces.
std::string DescribeJson(const std::filesystem::path& path, int kind, const CRawParser& parser,
                         int indent, const PictureFacts* picture = nullptr);

// The same as "key: value" lines for people.
std::string DescribeText(const std::filesystem::path& path, int kind, const CRawParser& parser,
                         const PictureFacts* picture = nullptr);

} // namespace lumora::inspect
