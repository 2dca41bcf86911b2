// Zooming about a point: the picture point under the pointer stays under it
// at every magnification step and for each quarter turn (a turned picture
// has its sides swapped), the 100 % toggle goes back to where it came from,
// and canvases following one another show the same relative point.
#include "viewer/ZoomAnchor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

using namespace lumora;

namespace {

// A 1280 x 800 canvas (no scroll bars counted) on a picture of w x h.
CanvasGeometry canvas(int w, int h, int cw = 1280, int ch = 800) {
    CanvasGeometry g;
    g.availableWidth = g.clientWidth = cw;
    g.availableHeight = g.clientHeight = ch;
    g.imageWidth = w;
    g.imageHeight = h;
    g.noMagOnFit = true;
    return g;
}

// The sides of a 6000 x 4000 source after 0 to 3 quarter turns.
std::pair<int, int> turnedSides(int turns) {
    return turns % 2 ? std::pair{4000, 6000} : std::pair{6000, 4000};
}

// Checks that p is under (cx, cy) in v, unless v's scroll had to stop at a
// limit on that axis.
void expectKept(const CanvasGeometry& g, const ZoomView& v, PicturePoint p, double cx, double cy,
                const char* what) {
    const LayoutResult L = LayoutOf(g, v);
    const PicturePoint now = PictureAt(g, v, cx, cy);
    const double tol = 0.5 / L.magnification + 1e-6;
    const double wantX = p.x * L.magnification - cx;
    const double wantY = p.y * L.magnification - cy;
    if (L.offsetX == 0 && wantX >= 0 && wantX <= L.hMax()) {
        EXPECT_NEAR(now.x, p.x, tol) << what << " x at " << L.magnification;
    }
    if (L.offsetY == 0 && wantY >= 0 && wantY <= L.vMax()) {
        EXPECT_NEAR(now.y, p.y, tol) << what << " y at " << L.magnification;
    }
}

} // namespace

TEST(ZoomAnchor, EveryStepAndTurnKeepsThePointUnderThePointer) {
    const auto& steps = MagnificationSteps();
    const std::pair<double, double> pointers[] = {{640, 400}, {100, 80}, {1200, 700}, {0, 0}};
    for (int turns = 0; turns < 4; ++turns) {
        const auto [w, h] = turnedSides(turns);
        const CanvasGeometry g = canvas(w, h);
        for (float from : steps) {
            // Somewhere in the middle of the picture at `from`.
            ZoomView start = ZoomAt(g, ZoomView{}, false, from, 640, 400);
            start.scrollX = LayoutOf(g, start).hMax() / 3;
            start.scrollY = LayoutOf(g, start).vMax() / 2;
            for (auto [cx, cy] : pointers) {
                const PicturePoint p = PictureAt(g, start, cx, cy);
                for (float to : steps) {
                    const ZoomView v = ZoomAt(g, start, false, to, cx, cy);
                    ASSERT_EQ(v.magnification, to);
                    expectKept(g, v, p, cx, cy, "step");
                }
            }
        }
    }
}

TEST(ZoomAnchor, ToggleGoesToOneHundredPercentAndBackToTheFit) {
    for (int turns = 0; turns < 4; ++turns) {
        const auto [w, h] = turnedSides(turns);
        const CanvasGeometry g = canvas(w, h);
        ActualSizeToggle toggle;
        const ZoomView fit{true, LayoutOf(g, ZoomView{}).fit, 0, 0};
        // A point right of and below the centre of the fitted picture.
        const double cx = 800, cy = 500;
        const PicturePoint p = PictureAt(g, fit, cx, cy);
        const ZoomView actual = toggle.Toggle(g, fit, cx, cy);
        EXPECT_FALSE(actual.fit);
        EXPECT_EQ(actual.magnification, 1.0f);
        EXPECT_TRUE(toggle.remembers());
        const PicturePoint q = PictureAt(g, actual, cx, cy);
        EXPECT_NEAR(q.x, p.x, 0.5) << turns;
        EXPECT_NEAR(q.y, p.y, 0.5) << turns;
        const ZoomView back = toggle.Toggle(g, actual, cx, cy);
        EXPECT_TRUE(back.fit);
        EXPECT_FALSE(toggle.remembers());
        // A third use goes to 100 % again, at the same place.
        EXPECT_EQ(toggle.Toggle(g, back, cx, cy), actual);
    }
}

TEST(ZoomAnchor, ToggleFromAZoomStepReturnsToThatStep) {
    const CanvasGeometry g = canvas(6000, 4000);
    ActualSizeToggle toggle;
    ZoomView v = ZoomAt(g, ZoomView{}, false, MagnificationSteps()[10], 640, 400);
    v.scrollX = 100;
    v.scrollY = 50;
    const PicturePoint p = PictureAt(g, v, 300, 200);
    const ZoomView actual = toggle.Toggle(g, v, 300, 200);
    expectKept(g, actual, p, 300, 200, "to 100 %");
    const ZoomView back = toggle.Toggle(g, actual, 300, 200);
    EXPECT_FALSE(back.fit);
    EXPECT_EQ(back.magnification, MagnificationSteps()[10]);
    EXPECT_NEAR(back.scrollX, 100, 1);
    EXPECT_NEAR(back.scrollY, 50, 1);
    // Already at 100 % with nothing remembered (zoomed there by steps): the fit.
    ActualSizeToggle fresh;
    EXPECT_TRUE(fresh.Toggle(g, actual, 300, 200).fit);
    // Forgotten (another picture): the next toggle starts over.
    toggle.Toggle(g, v, 300, 200);
    toggle.Forget();
    EXPECT_FALSE(toggle.remembers());
}

TEST(ZoomAnchor, MarginsAndEdgesClampToThePicture) {
    // A picture smaller than the canvas at 100 % is centred: no scrolling.
    const CanvasGeometry small = canvas(640, 480);
    ActualSizeToggle toggle;
    const ZoomView v = toggle.Toggle(small, ZoomView{}, 10, 10);
    EXPECT_EQ(v.scrollX, 0);
    EXPECT_EQ(v.scrollY, 0);
    // A pointer over the margin takes the nearest picture edge.
    const PicturePoint p = PictureAt(small, v, 10, 10);
    EXPECT_EQ(p.x, 0.0);
    EXPECT_EQ(p.y, 0.0);
    // From the fit's right margin, 100 % scrolls to the very end and no
    // further; the bottom row keeps its picture row.
    const CanvasGeometry big = canvas(6000, 4000);
    const ZoomView corner = ZoomAt(big, ZoomView{true, 0.2f, 0, 0}, false, 1.0f, 1279, 799);
    EXPECT_EQ(corner.scrollX, LayoutOf(big, corner).hMax());
    EXPECT_EQ(corner.scrollY, 3995 - 799);
    EXPECT_NEAR(PictureAt(big, corner, 1279, 799).y, 3995, 0.5);
    // Empty geometry: nothing breaks.
    const CanvasGeometry none = canvas(0, 0);
    EXPECT_EQ(ZoomAt(none, ZoomView{}, false, 1.0f, 5, 5).scrollX, 0);
    EXPECT_EQ(RelativeCentre(none, ZoomView{}).x, 0.5);
}

TEST(ZoomAnchor, FollowersShowTheSameRelativePointAtDifferentSizes) {
    const CanvasGeometry a = canvas(6000, 4000, 640, 800);
    const CanvasGeometry b = canvas(3000, 2000, 640, 800);
    const CanvasGeometry c = canvas(4000, 6000, 640, 800); // turned
    ZoomView va = ZoomAt(a, ZoomView{}, false, 1.0f, 320, 400);
    va.scrollX = 2000;
    va.scrollY = 1500;
    const PicturePoint rel = RelativeCentre(a, va);
    EXPECT_NEAR(rel.x, (2000 + 320) / 6000.0, 1e-3);
    EXPECT_NEAR(rel.y, (1500 + 400) / 4000.0, 1e-3);
    for (const CanvasGeometry* g : {&b, &c}) {
        const ZoomView v = ViewAtRelative(*g, false, 1.0f, rel);
        const PicturePoint r = RelativeCentre(*g, v);
        EXPECT_NEAR(r.x, rel.x, 1.0 / g->imageWidth);
        EXPECT_NEAR(r.y, rel.y, 1.0 / g->imageHeight);
    }
    // Fitted, every follower is fitted and centred.
    const ZoomView fitted = ViewAtRelative(b, true, 1.0f, {0.9, 0.1});
    EXPECT_TRUE(fitted.fit);
    EXPECT_EQ(RelativeCentre(b, fitted).x, 0.5);
    // Out-of-range fractions stay on the picture.
    const ZoomView edge = ViewAtRelative(b, false, 1.0f, {7.0, -3.0});
    EXPECT_EQ(edge.scrollX, LayoutOf(b, edge).hMax());
    EXPECT_EQ(edge.scrollY, 0);
}
