// Finds the XMP packet an image file carries inside itself: the JPEG APP1
// segment named "http://ns.adobe.com/xap/1.0/", TIFF (and DNG) tag 700 of
// the first directory, and the PNG iTXt chunk "XML:com.adobe.xmp". Read
// only; image files are never written.
//
// The bytes come through a reader so that the folder scan can pass the
// windows it has already read. Every offset and length is checked against
// the size, walks are bounded (segments, chunks, directory entries), and a
// packet longer than kMaxEmbeddedXmp is not taken.
//
// Threads: no state; callable from any thread with its own reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace lumora {

constexpr std::size_t kMaxEmbeddedXmp = 1u << 20;

// Copies length bytes at pos into dst; returns how many were copied (fewer
// at the end of the file or on a read error).
using ByteReader = std::function<std::size_t(std::uint64_t pos, void* dst, std::size_t length)>;

enum class EmbeddedFormat { Jpeg, Tiff, Png };

// The packet, or "" when the file carries none (or it cannot be reached).
std::string FindEmbeddedXmp(const ByteReader& read, std::uint64_t size, EmbeddedFormat format);

// The same on a buffer in memory.
std::string FindEmbeddedXmp(const std::uint8_t* data, std::size_t size, EmbeddedFormat format);

// The format of a file from its first bytes, for callers that only have a
// path: false when it is none of the three.
bool SniffEmbeddedFormat(const std::uint8_t* head, std::size_t size, EmbeddedFormat& out);

} // namespace lumora
