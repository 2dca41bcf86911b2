#include "thumbnails/CaptionText.h"
#include "thumbnails/ThumbnailLayout.h"
#include "thumbnails/ThumbnailSelection.h"

#include <gtest/gtest.h>

using namespace lumora;
using selection::NavKey;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

ThumbnailLayout bare() {
    ThumbnailLayout l; // 120 x 90, imageSpace 10, itemSpace 8
    l.showFileName = false;
    l.showGuide = false;
    return l;
}

std::vector<int> selectedOf(const StateArray& a) {
    std::vector<int> out;
    for (int i = 0; i < a.count(); ++i)
        if (a.state(i) & kSelectedBit)
            out.push_back(i);
    return out;
}

} // namespace

TEST(ThumbnailLayout, ColumnsAndCaptionHeights) {
    ThumbnailLayout l = bare();
    EXPECT_EQ(l.cellWidth(), 140);
    EXPECT_EQ(l.cellHeight(), l.cellWidth()); // no captions: square cell
    EXPECT_EQ(l.columnCount(600), 4);         // (600 - 8) / 148
    EXPECT_EQ(l.columnCount(599), 3);
    EXPECT_EQ(l.columnCount(50), 1); // narrower than one cell: still one column
    EXPECT_EQ(l.columnCount(0), 1);

    l.nameLineHeight = 13;
    l.infoLineHeight = 11;
    l.showFileName = true;
    EXPECT_EQ(l.captionHeight(), 13 + 2 + 2);
    l.showGuide = true;
    EXPECT_EQ(l.captionHeight(), 13 + 2 + 2 * 11 + 4 + 2);
    l.showFileName = false;
    EXPECT_EQ(l.captionHeight(), 2 * 11 + 4);
}

TEST(ThumbnailLayout, RowsCountAPartialRowEvenWhenRowsFitExactly) {
    ThumbnailLayout l = bare();
    const int exact = 8 + 3 * 148; // three full rows and nothing more
    EXPECT_EQ(l.rowCount(exact, true), 3);
    EXPECT_EQ(l.rowCount(exact, false), 4);
    EXPECT_EQ(l.rowCount(5, true), 0);
    int first = -1, last = -1;
    l.visibleRange(2, 600, 5, true, first, last);
    EXPECT_EQ(first, 8);
    EXPECT_EQ(last, 8); // no full row: last equals first
    l.visibleRange(2, 600, exact, false, first, last);
    EXPECT_EQ(last, 8 + 4 * 4 - 1);
}

TEST(ThumbnailLayout, SizesFromTheSetting) {
    ThumbnailLayout l;
    l.setThumbnailSize(0, 60, 45);
    EXPECT_EQ(l.longSide, 160);
    l.setThumbnailSize(2, 60, 45);
    EXPECT_EQ(l.shortSide, 75);
    l.setThumbnailSize(3, 60, 45);
    EXPECT_EQ(l.longSide, 60);
    l.setThumbnailSize(3, 0, -5); // a broken custom size never gives an empty box
    EXPECT_GT(l.longSide, 0);
    EXPECT_GT(l.shortSide, 0);
    l.setThumbnailSize(7, 60, 45);
    EXPECT_EQ(l.longSide, 120);
}

TEST(ThumbnailLayout, HitTestingAtEdgesAndGaps) {
    ThumbnailLayout l = bare(); // pitch 148, cells [8, 148] inclusive of the right edge
    const int w = 600, n = 10;  // 4 columns
    EXPECT_EQ(l.hitTest(7, 20, 0, w, n), -1);   // gap left of column 0
    EXPECT_EQ(l.hitTest(8, 8, 0, w, n), 0);     // top-left corner
    EXPECT_EQ(l.hitTest(148, 148, 0, w, n), 0); // right and bottom edges belong to the cell
    EXPECT_EQ(l.hitTest(150, 20, 0, w, n), -1); // gap between columns 0 and 1
    EXPECT_EQ(l.hitTest(156, 20, 0, w, n), 1);
    EXPECT_EQ(l.hitTest(20, 150, 0, w, n), -1); // gap between rows
    EXPECT_EQ(l.hitTest(20, 160, 0, w, n), 4);
    EXPECT_EQ(l.hitTest(598, 20, 0, w, n), -1); // right of the last column: no wrap
    EXPECT_EQ(l.hitTest(20, 2 * 148 + 20, 0, w, n), 8);
    EXPECT_EQ(l.hitTest(160, 2 * 148 + 20, 0, w, n), 9);
    EXPECT_EQ(l.hitTest(310, 2 * 148 + 20, 0, w, n), -1); // past the last item
    EXPECT_EQ(l.hitTest(20, 20, 2, w, n), 8);             // rows counted from topRow
    EXPECT_EQ(l.hitTest(-3, 20, 0, w, n), -1);
    EXPECT_EQ(l.hitTest(20, -3, 0, w, n), -1);
}

TEST(CaptionText, ShutterApertureAndBias) {
    CaptionSummary c;
    c.shutterSpeed = 0.5f;
    c.fNumber = 2.8f;
    c.exposureBias = -0.7f;
    EXPECT_EQ(captionLine1(c), QStringLiteral("2.0\"  F2.8  EV-0.7"));
    c.shutterSpeed = 250.0f;
    c.exposureBias = 0.0f;
    EXPECT_EQ(captionLine1(c), QStringLiteral("1/250  F2.8  EV+0.0"));
    c.fNumber.reset(); // the empty slot leaves four spaces between shutter and bias
    EXPECT_EQ(captionLine1(c), QStringLiteral("1/250    EV+0.0"));
    CaptionSummary none;
    EXPECT_EQ(captionLine1(none), QString(12, QLatin1Char(' ')));
    none.shutterSpeed = 0.0f; // no exposure time: shown as missing, never "inf"
    EXPECT_EQ(shutterText(none.shutterSpeed), QStringLiteral("    "));
}

TEST(CaptionText, ProgramFocalLengthAndIso) {
    CaptionSummary c;
    c.exposureProgram = 3;
    c.focalLength = 49.6f;
    c.iso = 400;
    EXPECT_EQ(captionLine2(c), QStringLiteral("Av  50mm  ISO400"));
    c.exposureProgram = 9;
    c.focalLength.reset();
    c.iso.reset();
    EXPECT_EQ(captionLine2(c), QStringLiteral("Reserved") + QString(11, QLatin1Char(' ')));
    EXPECT_EQ(programText(0u), QStringLiteral("Unknown"));
    EXPECT_EQ(programText(8u), QStringLiteral("Landscape"));
}

TEST(CaptionText, TooltipAddsLinesOnlyWithAnExposureTime) {
    CaptionSummary c;
    EXPECT_EQ(tooltipText(QStringLiteral("a.jpg"), c), QStringLiteral("a.jpg"));
    c.shutterSpeed = 60.0f;
    c.fNumber = 4.0f;
    EXPECT_EQ(tooltipText(QStringLiteral("a.jpg"), c),
              QStringLiteral("a.jpg\n \n1/60  F4.0      \n") + QString(15, QLatin1Char(' ')));
}

TEST(Selection, ShiftClickWithoutCursorStartsAtTheFirstItem) {
    StateArray a(8);
    const int cursor = selection::leftButtonDown(a, -1, 4, false, true);
    EXPECT_EQ(cursor, 4);
    EXPECT_EQ(selectedOf(a), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(a.state(4), 3);
    selection::leftButtonUp(a, false, true);
    // A later Shift-click on an unselected item spans from the cursor to it and
    // replaces the selection.
    selection::leftButtonDown(a, 4, 6, false, true);
    EXPECT_EQ(selectedOf(a), (std::vector<int>{4, 5, 6}));
}

TEST(Selection, CtrlClickOnTheOnlySelectedItemUnselectsItButKeepsTheCursor) {
    StateArray a(5);
    int cursor = selection::leftButtonDown(a, -1, 2, false, false);
    selection::leftButtonUp(a, false, false);
    cursor = selection::leftButtonDown(a, cursor, 2, true, false);
    selection::leftButtonUp(a, true, false);
    EXPECT_EQ(cursor, 2);
    EXPECT_EQ(a.state(2), kCursorBit);
    EXPECT_EQ(selection::selectedCount(a), 0);
    // Ctrl-click elsewhere moves the cursor bit and adds to the selection.
    cursor = selection::leftButtonDown(a, cursor, 4, true, false);
    EXPECT_EQ(a.state(2), 0);
    EXPECT_EQ(a.state(4), 3);
}

TEST(Selection, PlainClickOnOneOfSeveralKeepsAllUntilButtonUp) {
    StateArray a(6);
    for (int i : {1, 2, 3})
        a.setState(i, kSelectedBit);
    a.setState(1, 3);
    const int cursor = selection::leftButtonDown(a, 1, 3, false, false);
    EXPECT_EQ(cursor, 3);
    EXPECT_EQ(selectedOf(a), (std::vector<int>{1, 2, 3})); // a drag may follow
    EXPECT_EQ(a.state(1), kSelectedBit);
    selection::leftButtonUp(a, false, false);
    EXPECT_EQ(selectedOf(a), (std::vector<int>{3}));
}

TEST(Selection, ClickOnEmptySpaceClearsSelectionAndKeepsCursor) {
    StateArray a(4);
    a.setState(0, 3);
    a.setState(2, 2);
    ChangedItems changed;
    EXPECT_EQ(selection::leftButtonDown(a, 0, -1, false, false, &changed), 0);
    EXPECT_EQ(a.state(0), kCursorBit);
    EXPECT_EQ(a.state(2), 0);
    EXPECT_EQ(changed, (ChangedItems{0, 2}));
}

TEST(Selection, BandReplacesTheSelection) {
    ThumbnailLayout l = bare();
    StateArray a(12); // 4 columns at width 600
    a.setState(11, 3);
    // A band over the cores of items 0, 1, 4 and 5.
    GridRect band{40, 40, 8 + 148 + 100, 148 + 100};
    selection::selectByBand(a, l, 600, band);
    EXPECT_EQ(selectedOf(a), (std::vector<int>{0, 1, 4, 5}));
    EXPECT_EQ(a.state(11), kCursorBit); // its selection went, its cursor stays
    // Dragging back toward the start shrinks the band and the selection.
    band = GridRect{40, 40, 100, 100};
    selection::selectByBand(a, l, 600, band);
    EXPECT_EQ(selectedOf(a), (std::vector<int>{0}));
    // A band only in the outer quarter of a cell misses its core.
    band = GridRect{9, 9, 30, 30};
    selection::selectByBand(a, l, 600, band);
    EXPECT_TRUE(selectedOf(a).empty());
}

TEST(Selection, KeysMoveWithinTheListAndNeverExtend) {
    const int n = 10, cols = 4;
    EXPECT_EQ(selection::navigate(NavKey::Right, 9, n, cols), 9); // last item: nothing
    EXPECT_EQ(selection::navigate(NavKey::Left, 0, n, cols), 0);
    EXPECT_EQ(selection::navigate(NavKey::Down, 5, n, cols), 9);
    EXPECT_EQ(selection::navigate(NavKey::Down, 6, n, cols), 6); // no item below
    EXPECT_EQ(selection::navigate(NavKey::Up, 2, n, cols), 2);
    EXPECT_EQ(selection::navigate(NavKey::Home, 6, n, cols), 4);
    EXPECT_EQ(selection::navigate(NavKey::End, 4, n, cols), 7);
    EXPECT_EQ(selection::navigate(NavKey::End, 8, n, cols), 9); // short last row
    // Without a cursor (-1) the same arithmetic applies: Right, Home and
    // Down reach a valid item, Left and Up fall outside and do nothing.
    EXPECT_EQ(selection::navigate(NavKey::Right, -1, n, cols), 0);
    EXPECT_EQ(selection::navigate(NavKey::Home, -1, n, cols), 0);
    EXPECT_EQ(selection::navigate(NavKey::End, -1, n, cols), 3);
    EXPECT_EQ(selection::navigate(NavKey::Down, -1, n, cols), 3);
    EXPECT_EQ(selection::navigate(NavKey::Left, -1, n, cols), -1);
    EXPECT_EQ(selection::navigate(NavKey::Up, -1, n, cols), -1);
    EXPECT_EQ(selection::navigate(NavKey::End, -1, 2, cols), 1);   // at most n - 1
    EXPECT_EQ(selection::navigate(NavKey::Down, -1, 3, cols), -1); // no item there
    EXPECT_EQ(selection::navigate(NavKey::Right, -1, 0, cols), -1);

    StateArray a(n);
    for (int i = 0; i < n; ++i)
        a.setState(i, kSelectedBit);
    selection::moveCursorTo(a, 5);
    EXPECT_EQ(selectedOf(a), (std::vector<int>{5}));
    EXPECT_EQ(a.state(5), 3);
}

TEST(Selection, EndsPagesAndRangesForTheExtendingKeys) {
    const int n = 10, cols = 4;
    EXPECT_EQ(selection::navigate(NavKey::First, 6, n, cols), 0);
    EXPECT_EQ(selection::navigate(NavKey::Last, 1, n, cols), 9);
    EXPECT_EQ(selection::navigate(NavKey::Last, -1, n, cols), 9);
    EXPECT_EQ(selection::navigate(NavKey::First, -1, 0, cols), -1); // empty list
    // A page of two rows; the ends of the list stop it.
    EXPECT_EQ(selection::navigate(NavKey::PageDown, 1, n, cols, 2), 9);
    EXPECT_EQ(selection::navigate(NavKey::PageDown, 0, n, cols, 1), 4);
    EXPECT_EQ(selection::navigate(NavKey::PageUp, 9, n, cols, 2), 1);
    EXPECT_EQ(selection::navigate(NavKey::PageUp, 5, n, cols, 2), 0);
    EXPECT_EQ(selection::navigate(NavKey::PageDown, -1, n, cols, 1), 4);
    EXPECT_EQ(selection::navigate(NavKey::PageDown, 2, n, cols, 0), 6); // at least a row

    StateArray a(n);
    a.setState(0, kSelectedBit);
    selection::selectRange(a, 6, 3);
    EXPECT_EQ(selectedOf(a), (std::vector<int>{3, 4, 5, 6}));
    EXPECT_EQ(a.state(3), kCursorBit | kSelectedBit);
    EXPECT_EQ(a.state(6), kSelectedBit);
    ChangedItems changed;
    selection::selectRange(a, 6, 6, &changed);
    EXPECT_EQ(selectedOf(a), (std::vector<int>{6}));
    EXPECT_EQ(changed, (ChangedItems{3, 4, 5, 6}));
}

TEST(Selection, RightClickKeepsASelectionItIsPartOf) {
    StateArray a(5);
    a.setState(1, 3);
    a.setState(3, 2);
    EXPECT_EQ(selection::rightButtonDown(a, 1, 3), 3);
    EXPECT_EQ(selectedOf(a), (std::vector<int>{1, 3}));
    EXPECT_EQ(a.state(3), 3);
    EXPECT_EQ(selection::rightButtonDown(a, 3, 4), 4);
    EXPECT_EQ(selectedOf(a), (std::vector<int>{4}));
    EXPECT_EQ(selection::selectAll(a), 5);
    EXPECT_EQ(selection::invertSelection(a), 0);
}
