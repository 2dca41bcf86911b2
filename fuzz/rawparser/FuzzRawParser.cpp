// libFuzzer entry: the first byte picks the file kind, the rest is the file.
#include "FuzzInput.h"

#include "imaging/RawParser.h"
#include "metadata/CaptionSummary.h"

#include <cstddef>
#include <cstdint>
#include <iterator>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr int kKinds[] = {lumora::kRawKindJpeg, lumora::kRawKindCr2, lumora::kRawKindNef,
                                     lumora::kRawKindOrf, lumora::kRawKindPef, lumora::kRawKindMrw,
                                     lumora::kRawKindErf, lumora::kRawKindRaf, lumora::kRawKindSr2,
                                     lumora::kRawKindCrw, lumora::kRawKindTiff,
                                     // the current kinds, in the order of their seed groups
                                     lumora::kRawKindArw, lumora::kRawKindSrf, lumora::kRawKindDng,
                                     lumora::kRawKindRw2, lumora::kRawKindRwl, lumora::kRawKindNrw,
                                     lumora::kRawKindSrw, lumora::kRawKind3fr, lumora::kRawKindCr3};
    if (size < 1 || lumora::fuzz::TooLong(size)) {
        return 0;
    }
    const int kind = kKinds[data[0] % std::size(kKinds)];
    lumora::CRawParser parser;
    parser.OpenMemory(data + 1, size - 1, kind);
    lumora::ImageInfo image;
    lumora::ShootingInfo shooting;
    lumora::MakerNote note;
    parser.GetImageInfo(image);
    parser.GetShootingInfo(shooting);
    parser.GetMakerNote(note);
    (void)lumora::DeriveCaptionSummary(shooting, note);
    (void)parser.GetThumbnailPosition();
    (void)parser.GetPreviewPosition();
    (void)parser.GetLargeThumbnailPosition();
    return 0;
}
