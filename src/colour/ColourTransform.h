// Conversion of 8-bit RGB pixels from one profile to another (relative
// colorimetric), and the cache of conversions per pair of profiles.
//
// Two profiles that both consist of three tone curves and a matrix (sRGB,
// Adobe RGB, most camera and display profiles) are converted by tables made
// once per pair: a per-channel table into linear light that already holds
// the matrix, summed for the three outputs in one 64-bit word, and a fine
// table back through the target's curves. Any other pair goes through
// LittleCMS itself. A pair that maps every value onto itself (the same
// profile twice, or two spellings of sRGB) makes no conversion at all.
//
// Ownership: transforms are immutable and shared (TransformPtr); the cache
// holds one per pair until ClearTransformCache().
//
// Threads: Apply may run on any number of threads at once on one transform
// (the LittleCMS handle is made without its one-pixel cache). TransformFor
// and the cache functions are thread-safe: the cache map is guarded by a
// leaf lock held only to look up or insert, never while a transform is
// built (two threads asking for a new pair at once may both build it; the
// first one stored wins).
#pragma once

#include "colour/ColourProfile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace lumora {

// Byte order of one pixel in memory; the alpha byte is left as it is.
enum class PixelLayout {
    Bgr8,  // 24-bit bottom-up pictures of the decoders
    Bgra8, // 32-bit images of the screen (QImage RGB32 / ARGB32)
    Rgb8,
    Rgba8,
};

class ColourTransform {
public:
    ~ColourTransform();
    ColourTransform(const ColourTransform&) = delete;
    ColourTransform& operator=(const ColourTransform&) = delete;

    // Converts height rows of width pixels in place, row r at
    // rows + r * stride.
    void Apply(uint8_t* rows, std::ptrdiff_t stride, int width, int height,
               PixelLayout layout) const;
    // Whether the table path (not LittleCMS per pixel) serves this pair.
    bool usesTables() const { return tables_ != nullptr; }
    uint64_t sourceHash() const { return sourceHash_; }
    uint64_t targetHash() const { return targetHash_; }

    // Builds the conversion for a pair (uncached). Null when the pair is
    // the identity, or when no conversion can be built.
    static std::shared_ptr<const ColourTransform> Make(const ColourProfile& source,
                                                       const ColourProfile& target);

    struct Tables;

private:
    ColourTransform() = default;
    void applyTables(uint8_t* rows, std::ptrdiff_t stride, int width, int height,
                     PixelLayout layout) const;

    std::unique_ptr<Tables> tables_;
    std::array<void*, 4> handles_{}; // LittleCMS transforms per PixelLayout
    uint64_t sourceHash_ = 0;
    uint64_t targetHash_ = 0;
};

using TransformPtr = std::shared_ptr<const ColourTransform>;

// The cached conversion from source to target: null when there is nothing
// to do (null profiles, identical profiles, an identity pair) or when none
// can be built. Made once per pair of profile hashes.
TransformPtr TransformFor(const ProfilePtr& source, const ProfilePtr& target);

// Conversions built by TransformFor since the process started (a pair
// found in the cache does not count), and the pairs cached now.
int64_t TransformsBuilt();
std::size_t CachedTransformCount();
void ClearTransformCache();

// Converts a picture in bands of bandRows rows, calling keepGoing between
// bands; false from it stops the conversion (the rows not reached stay as
// they were) and is returned.
template <typename KeepGoing>
bool ApplyInBands(const ColourTransform& transform, uint8_t* rows, std::ptrdiff_t stride, int width,
                  int height, PixelLayout layout, KeepGoing&& keepGoing, int bandRows = 64) {
    for (int top = 0; top < height; top += bandRows) {
        if (!keepGoing())
            return false;
        const int n = height - top < bandRows ? height - top : bandRows;
        transform.Apply(rows + static_cast<std::ptrdiff_t>(top) * stride, stride, width, n, layout);
    }
    return true;
}

} // namespace lumora
