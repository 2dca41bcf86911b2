#include "formats/isobmff/BoxReader.h"

#include <algorithm>

namespace lumora::isobmff {

std::uint8_t ByteSource::U8(std::uint64_t pos) {
    std::uint8_t b = 0;
    Read(pos, &b, 1);
    return b;
}

std::uint16_t ByteSource::U16(std::uint64_t pos) {
    std::uint8_t b[2] = {};
    Read(pos, b, sizeof b);
    return static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}

std::uint32_t ByteSource::U32(std::uint64_t pos) {
    std::uint8_t b[4] = {};
    Read(pos, b, sizeof b);
    return (static_cast<std::uint32_t>(b[0]) << 24) | (static_cast<std::uint32_t>(b[1]) << 16) |
           (static_cast<std::uint32_t>(b[2]) << 8) | b[3];
}

std::uint64_t ByteSource::U64(std::uint64_t pos) {
    return (static_cast<std::uint64_t>(U32(pos)) << 32) | U32(pos + 4);
}

BoxReader::BoxReader(ByteSource& source) : source_(source), pos_(0), end_(source.Size()) {}

BoxReader::BoxReader(ByteSource& source, const Box& parent, std::uint64_t skip)
    : source_(source), pos_(parent.body), end_(std::min(parent.end, source.Size())) {
    pos_ = skip > end_ - std::min(pos_, end_) ? end_ : pos_ + skip;
}

bool BoxReader::Next(Box& box) {
    if (count_ >= kMaxBoxesPerLevel || pos_ >= end_ || end_ - pos_ < 8) {
        return false;
    }
    const std::uint64_t room = end_ - pos_;
    Box b;
    b.start = pos_;
    const std::uint32_t size32 = source_.U32(pos_);
    b.type = source_.U32(pos_ + 4);
    std::uint64_t header = 8;
    std::uint64_t size = size32;
    if (size32 == 1) {
        if (room < 16) {
            return false;
        }
        size = source_.U64(pos_ + 8);
        header = 16;
    } else if (size32 == 0) {
        size = room; // the box runs to the end of its parent
    }
    if (b.type == FourCc("uuid")) {
        if (room < header + 16) {
            return false;
        }
        source_.Read(pos_ + header, b.uuid.data(), b.uuid.size());
        header += 16;
    }
    if (size < header) {
        return false; // a box smaller than its own header
    }
    if (size > room) {
        size = room;
        b.truncated = true;
    }
    b.body = pos_ + header;
    b.end = pos_ + size;
    pos_ = b.end;
    ++count_;
    box = b;
    return true;
}

bool BoxReader::Find(std::uint32_t type, Box& box) {
    Box b;
    while (Next(b)) {
        if (b.type == type) {
            box = b;
            return true;
        }
    }
    return false;
}

bool BoxReader::FindUuid(const Uuid& id, Box& box) {
    Box b;
    while (Next(b)) {
        if (b.Is(id)) {
            box = b;
            return true;
        }
    }
    return false;
}

} // namespace lumora::isobmff
