// libFuzzer entry for the colour readers: the first byte picks what the
// rest is taken as: ICC profile bytes (checked and, when they read, used
// for a conversion of a few pixels both ways), a list of JPEG APP2
// payloads (each preceded by a one-byte length) to join, or an EXIF block
// asked for the Adobe RGB marking.
#include "FuzzInput.h"

#include "colour/ColourProfile.h"
#include "colour/ColourTransform.h"
#include "colour/EmbeddedProfiles.h"

#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    if (size < 1 || fuzz::TooLong(size))
        return 0;
    const int what = data[0] % 3;
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    if (what == 0) {
        if (ProfilePtr p = ColourProfile::FromBytes(rest)) {
            std::uint8_t pixels[4 * 3] = {0, 0, 0, 255, 255, 255, 10, 200, 30, 128, 64, 250};
            if (TransformPtr t = TransformFor(p, SrgbProfile()))
                t->Apply(pixels, sizeof pixels, 4, 1, PixelLayout::Bgr8);
            if (TransformPtr t = TransformFor(SrgbProfile(), p))
                t->Apply(pixels, sizeof pixels, 3, 1, PixelLayout::Bgra8);
        }
        // Keep the cache from growing across the run.
        if (CachedTransformCount() > 64)
            ClearTransformCache();
    } else if (what == 1) {
        std::vector<std::span<const std::uint8_t>> segments;
        std::size_t at = 0;
        while (at < rest.size()) {
            const std::size_t n = std::min<std::size_t>(rest[at], rest.size() - at - 1);
            segments.push_back(rest.subspan(at + 1, n));
            at += 1 + n;
        }
        const std::vector<std::uint8_t> joined = JoinJpegIccSegments(segments);
        (void)ColourProfile::FromBytes(joined);
    } else {
        (void)ExifSaysAdobeRgb(rest);
        (void)ExifSegmentSaysAdobeRgb(rest);
    }
    return 0;
}
