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
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric);
    out.sourceWidth = static_cast<int>(std::min<uint32_t>(width, INT32_MAX));
    out.sourceHeight = static_cast<int>(std::min<uint32_t>(height, INT32_MAX));
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
    // of a bottom-up file would come out in the wrong order. Ask for the
    // file's own orientation (no flip at all: raster rows in file order) and
    // place the rows here instead, as one read of the whole picture would.
    const uint16_t orientation = rgba.img.orientation;
    rgba.img.req_orientation = orientation;
    const bool flipRows = orientation == ORIENTATION_BOTRIGHT ||
                          orientation == ORIENTATION_BOTLEFT ||
                          orientation == ORIENTATION_RIGHTBOT || orientation == ORIENTATION_LEFTBOT;
    const bool flipColumns =
        orientation == ORIENTATION_TOPRIGHT || orientation == ORIENTATION_BOTRIGHT ||
        orientation == ORIENTATION_RIGHTTOP || orientation == ORIENTATION_RIGHTBOT;

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

    // Display row of a file row, and whether the subsampled output keeps it.
    auto shownRow = [&](uint32_t fileRow) { return flipRows ? height - 1 - fileRow : fileRow; };
    auto kept = [&](uint32_t fileRow) {
        const uint32_t r = shownRow(fileRow);
        return r % static_cast<uint32_t>(d) == 0 && static_cast<int>(r / d) < outH;
    };
    int rowsDone = 0;
    bool cancelled = false;
    for (uint32_t top = 0; top < height && !cancelled; top += band) {
        const uint32_t rows = std::min(band, height - top);
        // Skip bands holding no kept row when subsampling.
        bool any = false;
        for (uint32_t y = top; y < top + rows && !any; ++y)
            any = kept(y);
        if (!any)
            continue;
        rgba.img.row_offset = static_cast<int>(top);
        rgba.img.col_offset = 0;
        std::memset(raster.get(), 0, sizeof(uint32_t) * width * rows);
        TIFFRGBAImageGet(&rgba.img, raster.get(), width, rows); // errors leave what was read
        for (uint32_t y = top; y < top + rows; ++y) {
            if (!kept(y))
                continue;
            const uint32_t* src = raster.get() + static_cast<std::size_t>(y - top) * width;
            uint8_t* dst = image.scanLine(static_cast<int>(shownRow(y) / d));
            for (int x = 0; x < outW; ++x, dst += 3) {
                const uint32_t column = static_cast<uint32_t>(x) * d;
                const uint32_t p = src[flipColumns ? width - 1 - column : column];
                dst[0] = static_cast<uint8_t>(TIFFGetB(p));
                dst[1] = static_cast<uint8_t>(TIFFGetG(p));
                dst[2] = static_cast<uint8_t>(TIFFGetR(p));
            }
            ++rowsDone;
            if (rowsDone % 10 == 0 && options.cancel.IsStale()) {
                cancelled = true;
                break;
            }
        }
        if (!cancelled && options.cancel.IsStale())
            cancelled = true;
    }
    out.rowsDone = rowsDone;
    out.image = std::move(image);
    out.status = cancelled ? DecodeStatus::Cancelled : DecodeStatus::Decoded;
    return out;
}

} // namespace lumora
