// Zoom arithmetic that keeps a picture point in place: the point of the
// picture under a client position, the scroll position that brings it back
// under that position after a zoom, the toggle between the current zoom and
// 100 %, and the relative picture point at the centre of a canvas (for
// canvases that follow one another).
//
// Coordinates are those of the picture as shown, i.e. after its quarter
// turns: a turned picture simply has its width and height swapped.
// Plain values, no widgets: callable from any thread.
#pragma once

#include "viewer/PreviewLayout.h"

namespace lumora {

// How one canvas shows its picture: fitted, or at a magnification with the
// scroll position of its first shown drawn pixel.
struct ZoomView {
    bool fit = true;
    float magnification = 1.0f; // the fit's own value while fit is on
    int scrollX = 0;
    int scrollY = 0;
    bool operator==(const ZoomView&) const = default;
};

// Everything about a canvas that a zoom does not change.
struct CanvasGeometry {
    int availableWidth = 0; // as LayoutInput
    int availableHeight = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    int imageWidth = 0; // as turned
    int imageHeight = 0;
    bool noMagOnFit = false;
};

struct PicturePoint {
    double x = 0.0; // picture pixels from the top-left corner, 0 ... width
    double y = 0.0;
};

// The layout of a view on a canvas.
LayoutResult LayoutOf(const CanvasGeometry& g, const ZoomView& v);

// The picture point under client position (cx, cy), clamped to the picture
// (a position over a margin gives the picture's nearest edge).
PicturePoint PictureAt(const CanvasGeometry& g, const ZoomView& v, double cx, double cy);

// The view at `magnification` (or fitted) that puts picture point p under
// client position (cx, cy), as far as the scroll limits allow.
ZoomView ZoomKeeping(const CanvasGeometry& g, bool fit, float magnification, PicturePoint p,
                     double cx, double cy);

// The view `v` zoomed to `magnification` (or to the fit) with the picture
// point under (cx, cy) kept there.
ZoomView ZoomAt(const CanvasGeometry& g, const ZoomView& v, bool fit, float magnification,
                double cx, double cy);

// The toggle between a view and 100 %: the first use goes to 100 % and
// remembers the view it came from; the next one, while still at 100 %,
// goes back to that zoom (fit or magnification). Both keep the picture
// point under (cx, cy) in place. A view at 100 % with nothing remembered
// goes to the fit.
class ActualSizeToggle {
public:
    ZoomView Toggle(const CanvasGeometry& g, const ZoomView& v, double cx, double cy);
    // Another picture, or a zoom by other means: nothing to go back to.
    void Forget() { remembered_ = false; }
    bool remembers() const { return remembered_; }

private:
    bool remembered_ = false;
    bool backFit_ = true;
    float backMagnification_ = 1.0f;
};

// The picture point at the centre of the client as fractions of the
// picture's width and height (0 ... 1); 0.5 on an axis with a margin.
PicturePoint RelativeCentre(const CanvasGeometry& g, const ZoomView& v);

// The view at `magnification` (or fitted) whose client centre shows the
// relative picture point `rel` (fractions as RelativeCentre gives them).
ZoomView ViewAtRelative(const CanvasGeometry& g, bool fit, float magnification, PicturePoint rel);

} // namespace lumora
