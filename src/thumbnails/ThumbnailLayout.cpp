#include "thumbnails/ThumbnailLayout.h"

namespace lumora {

void ThumbnailLayout::setThumbnailSize(int sizeSetting, int customHorz, int customVert) {
    switch (sizeSetting) {
    case 0:
        longSide = 160, shortSide = 120;
        break;
    case 2:
        longSide = 100, shortSide = 75;
        break;
    case 3:
        longSide = customHorz > 0 ? customHorz : 1;
        shortSide = customVert > 0 ? customVert : 1;
        break;
    default:
        longSide = 120, shortSide = 90;
        break;
    }
}

int ThumbnailLayout::captionHeight() const {
    return (showFileName ? nameLineHeight + 2 : 0) + (showGuide ? 2 * infoLineHeight + 4 : 0) +
           (showFileName ? 2 : 0);
}

int ThumbnailLayout::columnCount(int clientWidth) const {
    const int cols = (clientWidth - itemSpace) / columnPitch();
    return cols < 1 ? 1 : cols;
}

int ThumbnailLayout::rowCount(int clientHeight, bool fullOnly) const {
    int rows = (clientHeight - itemSpace) / rowPitch();
    if (rows < 0)
        rows = 0;
    return fullOnly ? rows : rows + 1;
}

int ThumbnailLayout::totalRows(int count, int clientWidth) const {
    const int cols = columnCount(clientWidth);
    return count <= 0 ? 0 : (count + cols - 1) / cols;
}

GridRect ThumbnailLayout::cellRect(int col, int row) const {
    GridRect r;
    r.left = itemSpace + col * columnPitch();
    r.top = itemSpace + row * rowPitch();
    r.right = r.left + cellWidth();
    r.bottom = r.top + cellHeight();
    return r;
}

GridRect ThumbnailLayout::cellRectOfIndex(int index, int clientWidth) const {
    const int cols = columnCount(clientWidth);
    return cellRect(index % cols, index / cols);
}

void ThumbnailLayout::visibleRange(int topRow, int clientWidth, int clientHeight, bool fullOnly,
                                   int& first, int& last) const {
    const int cols = columnCount(clientWidth);
    const int rows = rowCount(clientHeight, fullOnly);
    first = cols * topRow;
    last = rows == 0 ? first : first + cols * rows - 1;
}

namespace {
// Slot along one axis: the n with space + n * pitch <= v <= (n + 1) * pitch.
int slotOf(int v, int space, int pitch) {
    if (v < space)
        return -1;
    const int n = (v - space) / pitch;
    return v <= (n + 1) * pitch ? n : -1;
}
} // namespace

int ThumbnailLayout::hitTest(int x, int y, int topRow, int clientWidth, int count) const {
    const int cols = columnCount(clientWidth);
    const int col = slotOf(x, itemSpace, columnPitch());
    if (col < 0 || col >= cols)
        return -1;
    const int row = slotOf(y + topRow * rowPitch(), itemSpace, rowPitch());
    if (row < 0)
        return -1;
    const long long index = static_cast<long long>(row) * cols + col;
    return index < count ? static_cast<int>(index) : -1;
}

GridRect ThumbnailLayout::coreRect(int index, int clientWidth) const {
    const GridRect cell = cellRectOfIndex(index, clientWidth);
    GridRect core;
    core.left = cell.left + cellWidth() / 4;
    core.right = cell.left + cellWidth() * 3 / 4;
    core.top = cell.top + cellHeight() / 4;
    core.bottom = cell.top + cellHeight() * 3 / 4;
    return core;
}

} // namespace lumora
