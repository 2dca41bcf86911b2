// Fuzz target: any bytes through the box reader (every level, to a fixed
// depth) and through the CR3 reading of the metadata parser.
#include "formats/isobmff/BoxReader.h"
#include "imaging/RawParser.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

class MemorySource final : public lumora::isobmff::ByteSource {
public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    std::size_t Read(std::uint64_t pos, void* dst, std::size_t length) override {
        std::memset(dst, 0, length);
        if (pos >= size_) {
            return 0;
        }
        const std::size_t n = length < size_ - pos ? length : static_cast<std::size_t>(size_ - pos);
        std::memcpy(dst, data_ + pos, n);
        return n;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// Descends into every box as if it were a container, up to depth 6.
std::uint64_t Walk(MemorySource& src, const lumora::isobmff::Box* parent, int depth) {
    if (depth > 6) {
        return 0;
    }
    lumora::isobmff::BoxReader reader =
        parent ? lumora::isobmff::BoxReader(src, *parent) : lumora::isobmff::BoxReader(src);
    lumora::isobmff::Box box;
    std::uint64_t total = 0;
    while (reader.Next(box)) {
        if (box.end > src.Size() || box.body > box.end) {
            __builtin_trap();
        }
        total += box.BodySize() + Walk(src, &box, depth + 1);
    }
    return total;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemorySource src(data, size);
    (void)Walk(src, nullptr, 0);
    lumora::CRawParser parser;
    if (parser.OpenMemory(data, size, lumora::kRawKindCr3)) {
        if (parser.GetThumbnailLength() != 0 &&
            parser.GetThumbnailPosition() + parser.GetThumbnailLength() > size) {
            __builtin_trap();
        }
        if (parser.GetPreviewLength() != 0 &&
            parser.GetPreviewPosition() + parser.GetPreviewLength() > size) {
            __builtin_trap();
        }
    }
    return 0;
}
