// Grid geometry of the thumbnail view: cell sizes from the settings, column
// and row counts for a client area, cell rectangles and hit testing. Pure
// arithmetic so the engine thread, the worker and the tests can all use it.
#pragma once

namespace lumora {

struct GridRect {
    int left = 0, top = 0, right = 0, bottom = 0; // right/bottom exclusive
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool intersects(const GridRect& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
};

struct ThumbnailLayout {
    int longSide = 120;
    int shortSide = 90;
    int imageSpace = 10;
    int itemSpace = 8;
    int nameLineHeight = 12;
    int infoLineHeight = 12;
    bool showFileName = true;
    bool showGuide = true;

    // The box of ThumbnailSize 0..3 (3 takes the custom size).
    void setThumbnailSize(int sizeSetting, int customHorz, int customVert);

    int captionHeight() const;
    int cellWidth() const { return longSide + 2 * imageSpace; }
    int cellHeight() const { return cellWidth() + captionHeight(); }
    int columnPitch() const { return itemSpace + cellWidth(); }
    int rowPitch() const { return itemSpace + cellHeight(); }

    int columnCount(int clientWidth) const;
    int rowCount(int clientHeight, bool fullOnly) const;
    int totalRows(int count, int clientWidth) const;

    // Cell rectangle in content coordinates (y grows with the row from 0).
    GridRect cellRect(int col, int row) const;
    GridRect cellRectOfIndex(int index, int clientWidth) const;

    // Index range of the rows shown from topRow on; last may lie past the end.
    void visibleRange(int topRow, int clientWidth, int clientHeight, bool fullOnly, int& first,
                      int& last) const;

    // Item under a window point, or -1: the point must lie in a cell, its right
    // and bottom edge included; the gaps left of and above a cell, the area
    // right of the last column and indexes past the count give -1.
    int hitTest(int x, int y, int topRow, int clientWidth, int count) const;

    // The middle half of a cell, used by the rubber band.
    GridRect coreRect(int index, int clientWidth) const;
};

} // namespace lumora
