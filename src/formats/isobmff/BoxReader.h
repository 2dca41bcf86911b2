// A bounded reader of ISO base media file boxes (the container of CR3, HEIF,
// MP4): walks the boxes of one level of a file without trusting any size.
//
// Every box is checked against its parent: a header that does not fit ends
// the level, a stated size that runs past the parent is cut to the parent's
// end (and flagged), a size of 0 means "to the parent's end". A level yields
// at most kMaxBoxesPerLevel boxes. The reader never recurses: callers descend
// one level at a time with Children(), so the depth is the caller's own.
//
// Owner: whoever creates it; a reader and its source belong to one thread.
// No locks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace lumora::isobmff {

// Random access to the bytes of one file. Reads past the end give zeros.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies length bytes at pos into dst (zero-filled past the end);
    // returns how many came from the source.
    virtual std::size_t Read(std::uint64_t pos, void* dst, std::size_t length) = 0;

    std::uint8_t U8(std::uint64_t pos);
    std::uint16_t U16(std::uint64_t pos); // big-endian, as every box field
    std::uint32_t U32(std::uint64_t pos);
    std::uint64_t U64(std::uint64_t pos);
};

// A box type from its four characters: FourCc("moov").
constexpr std::uint32_t FourCc(const char (&text)[5]) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[3]));
}

using Uuid = std::array<std::uint8_t, 16>;

struct Box {
    std::uint32_t type = 0;
    Uuid uuid{};             // the extended type of a 'uuid' box, zeros otherwise
    std::uint64_t start = 0; // position of the size field
    std::uint64_t body = 0;  // first byte after the header (size, type, large size, uuid)
    std::uint64_t end = 0;   // one past the last byte, never past the parent's end
    bool truncated = false;  // the stated size ran past the parent's end

    std::uint64_t BodySize() const { return end - body; }
    bool Is(const Uuid& id) const { return type == FourCc("uuid") && uuid == id; }
};

// The boxes of one level, [begin, end) of the source, in file order.
class BoxReader {
public:
    static constexpr std::size_t kMaxBoxesPerLevel = 4096;

    // The top level of the whole source.
    explicit BoxReader(ByteSource& source);
    // The boxes inside a parent box, starting skip bytes into its body
    // (full boxes and sample entries put fields before their children).
    BoxReader(ByteSource& source, const Box& parent, std::uint64_t skip = 0);

    // The next box of this level; false at the level's end or when the next
    // header is malformed (which ends the level).
    bool Next(Box& box);

    // The first box of this level with this type (and, for 'uuid', this
    // extended type) after the current position.
    bool Find(std::uint32_t type, Box& box);
    bool FindUuid(const Uuid& id, Box& box);

private:
    ByteSource& source_;
    std::uint64_t pos_;
    std::uint64_t end_;
    std::size_t count_ = 0;
};

} // namespace lumora::isobmff
