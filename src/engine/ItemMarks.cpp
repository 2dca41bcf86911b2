#include "engine/ItemMarks.h"

#include "imaging/RawParser.h"
#include "marks/EmbeddedXmp.h"
#include "marks/Sidecar.h"
#include "marks/XmpMarks.h"

namespace lumora {

namespace {

// Shorter reads are the walk's headers and come only from bytes already read.
constexpr std::size_t kLongestHeaderRead = 64;

} // namespace

std::string ItemFolder(const ImageItem& item) {
    const std::size_t slash = item.path.find_last_of('/');
    return slash == std::string::npos ? std::string() : item.path.substr(0, slash + 1);
}

void ReadItemMarks(ImageItem& item, CRawParser* parser) {
    if (item.marksScanned)
        return;
    item.marksScanned = 1;
    if (!item.marksListed) {
        item.marksSidecar = FindSidecarOnDisk(item.path);
        item.marksListed = 1;
    }
    if (!item.marksSidecar.empty()) {
        const SidecarRead read = ReadSidecarMarks(ItemFolder(item) + item.marksSidecar);
        if (read.ok)
            item.marks = read.marks;
        return;
    }
    if (!parser)
        return;
    std::uint8_t head[8];
    EmbeddedFormat format;
    if (!parser->ReadCachedBytes(0, head, sizeof head) ||
        !SniffEmbeddedFormat(head, sizeof head, format))
        return;
    const ByteReader read = [parser](std::uint64_t pos, void* dst, std::size_t length) {
        if (length < kLongestHeaderRead)
            return parser->ReadCachedBytes(pos, dst, length) ? length : std::size_t{0};
        return parser->ReadBytes(pos, dst, length);
    };
    const std::string packet = FindEmbeddedXmp(read, parser->GetFileSize(), format);
    if (packet.empty())
        return;
    const XmpMarksRead marks = ReadXmpMarks(packet);
    if (marks.ok)
        item.marks = marks.marks;
}

} // namespace lumora
