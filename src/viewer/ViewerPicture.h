// A decoded picture ready for the screen: the full-size image in the
// display format and a pyramid of reduced copies, each half the previous.
// Built on a loader thread after the decode and never changed afterwards, so
// one picture may be shared between threads (it is handed around as a
// shared_ptr<const ViewerPicture>).
#pragma once

#include "imaging/DibImage.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace lumora {

class ViewerPicture {
public:
    // Takes over a 24-bit bottom-up DIB: its rows are put in top-down order
    // in place and the full-size level uses its pixels as they are (no new
    // memory: fresh memory costs more than the decode on a busy machine).
    // Turned by `quarterTurns` clockwise; the reduced levels go down to
    // `minSide` pixels on the longer side (INT_MAX: the full size alone).
    // The reduced levels are 32-bit. A null DIB gives a null picture.
    static std::shared_ptr<const ViewerPicture> FromDib(DibImage&& dib, int quarterTurns,
                                                        int minSide = 256);
    // The same from an image already in any QImage format (tests, tools).
    static std::shared_ptr<const ViewerPicture> FromImage(const QImage& image, int minSide = 256);
    // The reduced levels of a bottom-up DIB, read straight from it, turned;
    // the full-size level stays null until WithFullSize. Null when the DIB
    // is too small to have a reduced level.
    static std::shared_ptr<const ViewerPicture> ReducedFromDib(const DibImage& dib,
                                                               int quarterTurns, int minSide = 256);
    // The same with only the quarter-size level and the smaller ones: the
    // full size and the half both stay null (pending). Null when the DIB is
    // too small for a quarter-size level.
    static std::shared_ptr<const ViewerPicture> QuarterFromDib(const DibImage& dib,
                                                               int quarterTurns, int minSide = 256);
    // The same from a quarter-size copy made elsewhere (as QuarterDib makes
    // it, not turned) of a fullWidth x fullHeight picture; null when the
    // sizes do not match.
    static std::shared_ptr<const ViewerPicture>
    FromQuarter(QImage quarter, int fullWidth, int fullHeight, int quarterTurns, int minSide = 256);
    // A copy with `full` (turned like this picture) as its full-size level,
    // and `half` as the half-size level when that one is still pending.
    std::shared_ptr<const ViewerPicture> WithFullSize(QImage full, QImage half = {}) const;
    // A copy with the reduced levels added (the full-size image is shared).
    std::shared_ptr<const ViewerPicture> WithLevels(int minSide = 256) const;
    // A copy whose full-size level is 32-bit, the format that scales fastest
    // (the reduced levels are shared).
    std::shared_ptr<const ViewerPicture> WithFastFullSize() const;
    // A copy turned by further quarter turns clockwise.
    std::shared_ptr<const ViewerPicture> Turned(int quarterTurns) const;

    bool isNull() const { return levels_.empty(); }
    // The full size (as turned), also while the full-size level is pending.
    int width() const { return width_; }
    int height() const { return height_; }
    // False while only the reduced levels exist (level 0 is then null, and
    // level 1 may be too).
    bool hasFullSize() const { return !levels_.empty() && !levels_[0].isNull(); }
    const QImage& level(int i) const { return levels_[static_cast<std::size_t>(i)]; }
    int levelCount() const { return static_cast<int>(levels_.size()); }
    // The smallest level that still has at least `scale` (device pixels per
    // full-size pixel) of the full size's resolution; while the full size is
    // pending, never level 0.
    int levelFor(double scale) const;
    std::size_t byteSize() const;
    // Quarter turns applied since the decode.
    int quarterTurns() const { return turns_; }

private:
    void buildLevels(int minSide);

    std::vector<QImage> levels_;
    int width_ = 0;
    int height_ = 0;
    int turns_ = 0;
};

// A new uninitialised RGB32 image whose pixels are in a pre-populated
// block (see AllocatePixelBlock); null when memory is short.
QImage NewPixelImage(int width, int height);

// Halves an RGB32 or BGR888 image into an RGB32 one with a 2 x 2 box filter
// (an odd last row or column is left out).
QImage HalveImage(const QImage& src);

// An image turned by quarter turns clockwise (the same image for none).
QImage TurnImage(const QImage& img, int quarterTurns);
// Quarters a 24-bit bottom-up DIB into a top-down RGB32 image (at least
// 4 x 4), pixel for pixel what HalveImage(HalveDib(dib)) gives.
QImage QuarterDib(const DibImage& dib);
// Where a 24-bit bottom-up DIB's pixels are, without owning them (they may
// still be being decoded).
struct DibPixels {
    const uint8_t* bits = nullptr;
    int stride = 0;
    int width = 0;
    int height = 0;
    static DibPixels Of(const DibImage& dib) {
        return {dib.bits(), dib.stride(), dib.width(), dib.height()};
    }
};
// Rows [firstRow, endRow) of QuarterDib into `out` (width / 4 x height / 4,
// RGB32); reads picture rows 4 * firstRow to 4 * endRow - 1 only.
void QuarterDibRows(const DibPixels& dib, QImage& out, int firstRow, int endRow);
// Halves a 24-bit bottom-up DIB into a top-down RGB32 image (at least 2 x 2).
QImage HalveDib(const DibImage& dib);
// Copies a 24-bit bottom-up DIB into a new top-down RGB32 image.
QImage DibToImage(const DibImage& dib);
// Wraps a DIB's pixels, reordered top-down in place, as a BGR888 image that
// owns the DIB.
QImage AdoptDib(DibImage&& dib);

} // namespace lumora
