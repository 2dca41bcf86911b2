#include "imaging/TiffDecoder.h"

#include "imaging/PixelMemory.h"
#include "imaging/SafeOpen.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include <tiffio.h>

namespace lumora {

namespace {

void switchHandlersOff() {
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetWarningHandler(nullptr);
        TIFFSetErrorHandler(nullptr);
    });
}

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};

struct OpenOptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// TIFFRGBAImage needs TIFFRGBAImageEnd whatever happens after Begin.
struct RgbaImage {
    TIFFRGBAImage img{};
    bool begun = false;
    ~RgbaImage() {
        if (begun)
            TIFFRGBAImageEnd(&img);
    }
};

// Where the stored raster's rows and columns go in the upright picture, for
// the eight TIFF orientations (the tag names where the stored first row and
// first column lie when the picture is upright). Orientations 5 to 8 store
// the picture transposed: a stored row becomes a shown column.
struct StoredToShown {
    bool transposed = false;
    bool reverseRows = false;    // the last stored row comes first
    bool reverseColumns = false; // the last stored column comes first
    uint32_t storedWidth = 0, storedHeight = 0;
    uint32_t shownWidth = 0, shownHeight = 0;

    static StoredToShown For(uint16_t orientation, uint32_t width, uint32_t height) {
        StoredToShown s;
        s.storedWidth = width;
        s.storedHeight = height;
        switch (orientation) {
        case ORIENTATION_TOPRIGHT:
            s.reverseColumns = true;
            break;
        case ORIENTATION_BOTRIGHT:
            s.reverseColumns = s.reverseRows = true;
            break;
        case ORIENTATION_BOTLEFT:
            s.reverseRows = true;
            break;
        case ORIENTATION_LEFTTOP: // first row on the left, first column at the top
            s.transposed = true;
            break;
        case ORIENTATION_RIGHTTOP: // a quarter turn clockwise
            s.transposed = s.reverseRows = true;
            break;
        case ORIENTATION_RIGHTBOT:
            s.transposed = s.reverseRows = s.reverseColumns = true;
            break;
        case ORIENTATION_LEFTBOT: // a quarter turn counter-clockwise
            s.transposed = s.reverseColumns = true;
            break;
        default: // top-left, and whatever the library would not accept
            break;
        }
        s.shownWidth = s.transposed ? height : width;
        s.shownHeight = s.transposed ? width : height;
        return s;
    }
    // The shown row (or, transposed, column) of a stored row.
    uint32_t ofRow(uint32_t row) const { return reverseRows ? storedHeight - 1 - row : row; }
    // The shown column (or, transposed, row) of a stored column.
    uint32_t ofColumn(uint32_t column) const {
        return reverseColumns ? storedWidth - 1 - column : column;
    }
};

} // namespace

DecodeOutput CTiffDecoder::Decode(const std::string& path, const TiffOptions& options) {
    switchHandlersOff();
    DecodeOutput out;
    UniqueFd fd = OpenRegularFile(path);
    if (!fd)
        return out; // OpenFailed, also for what is not a regular file
    std::unique_ptr<TIFFOpenOptions, OpenOptionsFree> openOptions(TIFFOpenOptionsAlloc());
    if (!openOptions)
        return out;
    if (options.maxLibraryAllocation != 0)
        TIFFOpenOptionsSetMaxSingleMemAlloc(
            openOptions.get(), static_cast<tmsize_t>(std::min<uint64_t>(
                                   options.maxLibraryAllocation, uint64_t(INT64_MAX))));
    std::unique_ptr<TIFF, TiffCloser> tif(
        TIFFFdOpenExt(fd.get(), path.c_str(), "r", openOptions.get()));
    if (!tif)
        return out;
    fd.release(); // closed by TIFFClose from now on
    out.status = DecodeStatus::Failed;

    uint32_t width = 0, height = 0;
    uint16_t photometric = 0;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ORIENTATION, &orientation);
    // The embedded ICC profile (tag 34675), bounded like any profile.
    uint32_t iccCount = 0;
    void* iccData = nullptr;
    if (TIFFGetField(tif.get(), TIFFTAG_ICCPROFILE, &iccCount, &iccData) && iccData &&
        iccCount > 0 && iccCount <= kMaxIccBytes) {
        const auto* p = static_cast<const uint8_t*>(iccData);
        out.iccProfile.assign(p, p + iccCount);
    }
    // The size of the upright picture, which is what comes out.
    const StoredToShown place = StoredToShown::For(orientation, width, height);
    out.sourceWidth = static_cast<int>(std::min<uint32_t>(place.shownWidth, INT32_MAX));
    out.sourceHeight = static_cast<int>(std::min<uint32_t>(place.shownHeight, INT32_MAX));
    if (options.onSize)
        options.onSize(out.sourceWidth, out.sourceHeight);
    // Two 32-bit sides multiply into 64 bits only unsigned.
    const uint64_t limit =
        static_cast<uint64_t>(std::clamp<int64_t>(options.maxSourcePixels, 0, kMaxSourcePixels));
    if (width == 0 || height == 0 || static_cast<uint64_t>(width) * height > limit)
        return out;

    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif.get(), message))
        return out;
    RgbaImage rgba;
    if (!TIFFRGBAImageBegin(&rgba.img, tif.get(), 0 /* go on after errors */, message))
        return out;
    rgba.begun = true;
    // The library flips each band it is asked for on its own, so the bands
    // of a bottom-up file would come out in the wrong order, and it never
    // transposes. Ask for the file's own orientation (raster rows in file
    // order, no flip at all) and place every pixel here instead.
    if (rgba.img.orientation != orientation)
        return out; // not the tag read above: the placement would be wrong
    rgba.img.req_orientation = orientation;

    // A band is what one read delivers: a strip, or a row of tiles.
    uint32_t band = 0;
    if (TIFFIsTiled(tif.get()))
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_TILELENGTH, &band);
    else
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ROWSPERSTRIP, &band);
    band = std::clamp<uint32_t>(band, 1, height);
    // Keep a band's raster bounded even for one huge strip.
    const uint32_t maxBandRows = std::max<uint32_t>(1, (64u << 20) / std::max<uint32_t>(width, 1));
    if (band > maxBandRows)
        band = maxBandRows;

    const int d =
        ChooseScaleDenominator(options.subsampleTarget, out.sourceWidth, out.sourceHeight);
    const int outW = std::max(1, out.sourceWidth / d);
    const int outH = std::max(1, out.sourceHeight / d);
    std::unique_ptr<uint32_t[]> raster(new (std::nothrow)
                                           uint32_t[static_cast<std::size_t>(width) * band + 1]);
    if (!raster)
        return out;
    DibImage image = MakeBlankDib(outW, outH);
    if (image.isNull())
        return out;

    // Subsampling keeps every d-th shown row and column. A stored row lands
    // in an output row (transposed: column), or nowhere (-1).
    const int rowTarget = place.transposed ? outW : outH;
    const auto rowTo = [&](uint32_t fileRow) -> int {
        const uint32_t shown = place.ofRow(fileRow);
        if (shown % static_cast<uint32_t>(d) != 0 || shown / d >= static_cast<uint32_t>(rowTarget))
            return -1;
        return static_cast<int>(shown / d);
    };
    // The stored column that output column (transposed: row) i shows;
    // reversing is its own inverse.
    const auto columnOf = [&](int i) { return place.ofColumn(static_cast<uint32_t>(i) * d); };
    const auto put = [](uint8_t* dst, uint32_t p) {
        dst[0] = static_cast<uint8_t>(TIFFGetB(p));
        dst[1] = static_cast<uint8_t>(TIFFGetG(p));
        dst[2] = static_cast<uint8_t>(TIFFGetR(p));
    };
    int rowsDone = 0;
    bool cancelled = false;
    for (uint32_t top = 0; top < height && !cancelled; top += band) {
        const uint32_t rows = std::min(band, height - top);
        // Skip bands holding no kept row when subsampling.
        bool any = false;
        for (uint32_t y = top; y < top + rows && !any; ++y)
            any = rowTo(y) >= 0;
        if (!any)
            continue;
        rgba.img.row_offset = static_cast<int>(top);
        rgba.img.col_offset = 0;
        std::memset(raster.get(), 0, sizeof(uint32_t) * width * rows);
        TIFFRGBAImageGet(&rgba.img, raster.get(), width, rows); // errors leave what was read
        // A few file rows at a time: stored rows become shown columns when
        // transposed, so each output row then takes a short run per block.
        constexpr uint32_t kBlock = 16;
        for (uint32_t first = top; first < top + rows && !cancelled; first += kBlock) {
            const uint32_t count = std::min(kBlock, top + rows - first);
            int to[kBlock];
            int blockRows = 0;
            for (uint32_t k = 0; k < count; ++k) {
                to[k] = rowTo(first + k);
                blockRows += to[k] >= 0 ? 1 : 0;
            }
            if (blockRows == 0)
                continue;
            const uint32_t* block = raster.get() + static_cast<std::size_t>(first - top) * width;
            if (!place.transposed) {
                for (uint32_t k = 0; k < count; ++k) {
                    if (to[k] < 0)
                        continue;
                    const uint32_t* src = block + static_cast<std::size_t>(k) * width;
                    uint8_t* dst = image.scanLine(to[k]);
                    for (int x = 0; x < outW; ++x, dst += 3)
                        put(dst, src[columnOf(x)]);
                }
            } else {
                for (int y = 0; y < outH; ++y) {
                    const uint32_t* src = block + columnOf(y);
                    uint8_t* dst = image.scanLine(y);
                    for (uint32_t k = 0; k < count; ++k)
                        if (to[k] >= 0)
                            put(dst + 3 * static_cast<std::size_t>(to[k]),
                                src[static_cast<std::size_t>(k) * width]);
                }
            }
            rowsDone += blockRows;
            if (options.cancel.IsStale())
                cancelled = true;
        }
    }
    out.rowsDone = rowsDone;
    out.image = std::move(image);
    out.status = cancelled ? DecodeStatus::Cancelled : DecodeStatus::Decoded;
    return out;
}

} // namespace lumora
