// The one in-memory picture layout: 24-bit, bottom-up, blue-green-red, rows
// padded to four bytes. Memory row r holds picture row (height - 1 - r).
//
// A DibImage owns its pixels (moved, never shared; clone() copies). Like any
// value it may be handed between threads; one object is not to be used by
// two threads at once unless both only read.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace lumora {

// BITMAPINFOHEADER followed by one all-zero RGBQUAD: 44 bytes, copied whole
// wherever an image changes hands.
struct BitmapInfo {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0; // positive: rows stored bottom-up
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 24;
    uint32_t biCompression = 0; // BI_RGB
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
    uint8_t rgbQuad[4] = {0, 0, 0, 0};
};
static_assert(sizeof(BitmapInfo) == 44, "header is copied as a 44-byte block");

// Widest picture whose row stride still fits an int.
constexpr int kMaxDibWidth = (INT_MAX - 3) / 3;

constexpr int dibStride(int width) {
    return ((width * 3 + 3) / 4) * 4;
}

// Owned 24-bit bottom-up pixels with their header. Move-only: a copy of the
// pixels is always explicit (clone()).
class DibImage {
public:
    DibImage() = default;
    // Allocates zero-filled pixels for width x height (both > 0, width at
    // most kMaxDibWidth); any other size leaves the image empty.
    DibImage(int width, int height) { reset(width, height); }

    DibImage(DibImage&&) noexcept = default;
    DibImage& operator=(DibImage&&) noexcept = default;
    DibImage(const DibImage&) = delete;
    DibImage& operator=(const DibImage&) = delete;

    void reset(int width, int height) {
        header = BitmapInfo{};
        bits_.reset();
        size_ = 0;
        if (width <= 0 || height <= 0 || width > kMaxDibWidth)
            return;
        header.biWidth = width;
        header.biHeight = height;
        size_ = static_cast<std::size_t>(dibStride(width)) * static_cast<std::size_t>(height);
        bits_ = std::make_unique<uint8_t[]>(size_); // value-initialised: zero padding
    }

    DibImage clone() const {
        DibImage copy;
        copy.header = header;
        copy.size_ = size_;
        if (size_) {
            copy.bits_ = std::make_unique_for_overwrite<uint8_t[]>(size_);
            std::memcpy(copy.bits_.get(), bits_.get(), size_);
        }
        return copy;
    }

    bool isNull() const { return !bits_; }
    int width() const { return header.biWidth; }
    int height() const { return header.biHeight; }
    int stride() const { return dibStride(header.biWidth); }
    std::size_t byteSize() const { return size_; }

    uint8_t* bits() { return bits_.get(); }
    const uint8_t* bits() const { return bits_.get(); }
    // Memory row r (0 = bottom picture row).
    uint8_t* memoryRow(int r) { return bits_.get() + static_cast<std::size_t>(r) * stride(); }
    const uint8_t* memoryRow(int r) const {
        return bits_.get() + static_cast<std::size_t>(r) * stride();
    }
    // Picture row y counted from the top.
    uint8_t* scanLine(int y) { return memoryRow(height() - 1 - y); }
    const uint8_t* scanLine(int y) const { return memoryRow(height() - 1 - y); }

    // Takes ownership of a block of exactly dibStride(width) * height bytes.
    void adopt(int width, int height, std::unique_ptr<uint8_t[]> bits) {
        header = BitmapInfo{};
        header.biWidth = width;
        header.biHeight = height;
        size_ = static_cast<std::size_t>(dibStride(width)) * static_cast<std::size_t>(height);
        bits_ = std::move(bits);
    }
    std::unique_ptr<uint8_t[]> release() {
        size_ = 0;
        header = BitmapInfo{};
        return std::move(bits_);
    }

    BitmapInfo header;

private:
    std::unique_ptr<uint8_t[]> bits_;
    std::size_t size_ = 0;
};

} // namespace lumora
