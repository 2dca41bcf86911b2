// libFuzzer entry: the first byte picks what the bytes are (prefix of the
// sample groups): 0 a sidecar packet, 1 a JPEG, 2 a TIFF or DNG, 3 a PNG.
// A packet is read and rewritten; a rewrite that succeeds must read back
// with the marks it was given. An image's embedded packet is found (within
// the file's bounds) and read the same way.
#include "FuzzInput.h"

#include "marks/EmbeddedXmp.h"
#include "marks/XmpMarks.h"

#include <cstdlib>
#include <string_view>

namespace {

void packet(std::string_view bytes) {
    const lumora::XmpMarksRead read = lumora::ReadXmpMarks(bytes);
    lumora::Marks marks = read.marks;
    marks.rating = static_cast<std::uint8_t>((marks.rating + 1) % 6);
    marks.label = lumora::ColorLabel::Blue;
    const lumora::XmpMarksRewrite rewrite = lumora::RewriteXmpMarks(bytes, marks);
    if (rewrite.ok && !read.ok)
        std::abort(); // a packet that does not read was replaced
    if (rewrite.ok) {
        const lumora::XmpMarksRead again = lumora::ReadXmpMarks(rewrite.packet);
        if (!again.ok || again.marks != marks)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    lumora::InitXmpToolkit();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || lumora::fuzz::TooLong(size))
        return 0;
    const int kind = data[0] % 4;
    const std::uint8_t* body = data + 1;
    const std::size_t length = size - 1;
    if (kind == 0) {
        packet(std::string_view(reinterpret_cast<const char*>(body), length));
        return 0;
    }
    const auto format = kind == 1   ? lumora::EmbeddedFormat::Jpeg
                        : kind == 2 ? lumora::EmbeddedFormat::Tiff
                                    : lumora::EmbeddedFormat::Png;
    const std::string found = lumora::FindEmbeddedXmp(body, length, format);
    if (found.size() > length)
        std::abort();
    if (!found.empty())
        packet(found);
    return 0;
}
