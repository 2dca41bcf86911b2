// The thumbnail engine's decode of one item: from the embedded or sidecar
// JPEG (turned by orientation, cropped to the picture's real aspect) or from
// the whole file fitted into 160 x 120, else the "UNKNOWN" placeholder.
//
// Threads: the functions are reentrant. The engine's worker calls
// DecodeThumbnail on its own copy of an item, never on an item inside the
// list; the placeholder card is drawn once under a private leaf lock and
// copied out.
#pragma once

#include "imaging/DibImage.h"
#include "imaging/ImageItem.h"

namespace lumora {

struct ThumbRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ThumbRect&) const = default;
};

struct ThumbnailGeometry {
    ThumbRect source;      // part of the decoded (turned) picture
    ThumbRect destination; // size and placement of the thumbnail
};

// Embedded path: W x H is the decoded thumbnail before turning, r >= 1 the
// picture's real aspect, Tw x Th the thumbnail box. With quarterTurned the
// rectangles are exchanged for the turned picture.
ThumbnailGeometry EmbeddedThumbnailGeometry(int W, int H, double r, int Tw, int Th,
                                            bool quarterTurned);
// Full-decode path: the picture of width x height fitted to the box.
ThumbnailGeometry FittedThumbnailGeometry(int width, int height, int Tw, int Th);

// Turns a picture clockwise by quarterTurns (0 to 3) quarter turns.
void TurnQuarters(DibImage& image, int quarterTurns);

// The thumbnail of a whole picture as shown (already turned): reduced into
// the destination of geometry (FittedThumbnailGeometry) with the area filter,
// or nearest-neighbour for icons and cursors, which keep their colours exact;
// the picture becomes the pre-image. Fills block (thumbnail, pre-image,
// rectangles and flags) and returns true; false, leaving block alone, when
// nothing could be reduced.
bool FillFittedThumbnail(ThumbnailBlock& block, DibImage picture, const ThumbnailGeometry& geometry,
                         ImageKind kind);

// The grey "UNKNOWN" / "IMAGE FILE" card at Tw x Th. The text needs a
// running QGuiApplication; without one the card is plain.
DibImage MakeUnknownPlaceholder(int Tw, int Th);

// Fills item.thumb (thumbnail, pre-image, rectangles and flags). Never
// throws; a file that cannot be decoded gets the placeholder.
void DecodeThumbnail(ImageItem& item, const ThumbnailBox& params);

// Whole-file decodes DecodeThumbnail has started in this process, on every
// thread (a diagnostic for tests and benchmarks).
int64_t WholeFileDecodeCount();

// Nearest-neighbour resize that keeps colours exact (icons and cursors keep
// their transparency key).
DibImage ResizeNearest(const DibImage& src, int width, int height);

} // namespace lumora
