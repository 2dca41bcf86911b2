#include "thumbnails/ThumbnailSelection.h"

#include <algorithm>

namespace lumora::selection {

namespace {
void put(IItemStates& items, int i, int s, ChangedItems* changed) {
    if (items.state(i) == s)
        return;
    items.setState(i, s);
    if (changed)
        changed->push_back(i);
}
bool valid(const IItemStates& items, int i) {
    return i >= 0 && i < items.count();
}
} // namespace

int selectedCount(const IItemStates& items) {
    int n = 0;
    for (int i = 0; i < items.count(); ++i)
        n += (items.state(i) & kSelectedBit) ? 1 : 0;
    return n;
}

int leftButtonDown(IItemStates& items, int cursor, int p, bool ctrl, bool shift,
                   ChangedItems* changed) {
    const int n = items.count();
    if (!valid(items, p)) {
        for (int i = 0; i < n; ++i)
            put(items, i, items.state(i) & ~kSelectedBit, changed);
        return cursor;
    }
    if (ctrl) {
        if (valid(items, cursor))
            put(items, cursor, items.state(cursor) & ~kCursorBit, changed);
        put(items, p, (items.state(p) ^ kSelectedBit) | kCursorBit, changed);
        return p;
    }
    if (items.state(p) & kSelectedBit) {
        if (valid(items, cursor))
            put(items, cursor, items.state(cursor) & ~kCursorBit, changed);
        put(items, p, kCursorBit | kSelectedBit, changed);
        return p;
    }
    for (int i = 0; i < n; ++i)
        put(items, i, 0, changed);
    if (shift) {
        // From the old cursor (or the first item when there is none) to p.
        const int from = std::clamp(cursor, 0, n - 1);
        const int lo = std::min(from, p);
        const int hi = std::max(from, p);
        for (int i = lo; i <= hi; ++i)
            put(items, i, kSelectedBit, changed);
    }
    put(items, p, kCursorBit | kSelectedBit, changed);
    return p;
}

void leftButtonUp(IItemStates& items, bool ctrl, bool shift, ChangedItems* changed) {
    if (ctrl || shift)
        return;
    for (int i = 0; i < items.count(); ++i) {
        const int s = items.state(i);
        if (!(s & kCursorBit))
            put(items, i, s & ~kSelectedBit, changed);
    }
}

int rightButtonDown(IItemStates& items, int cursor, int p, ChangedItems* changed) {
    if (!valid(items, p))
        return cursor;
    if (items.state(p) & kSelectedBit) {
        if (valid(items, cursor))
            put(items, cursor, items.state(cursor) & ~kCursorBit, changed);
        put(items, p, items.state(p) | kCursorBit, changed);
    } else {
        for (int i = 0; i < items.count(); ++i)
            put(items, i, 0, changed);
        put(items, p, kCursorBit | kSelectedBit, changed);
    }
    return p;
}

int navigate(NavKey key, int cursor, int count, int columns, int pageRows) {
    // Without a cursor (-1) the same arithmetic holds, with C++'s truncating
    // division: Home and Right reach item 0, End and Down the end of the
    // first row; Left and Up land outside the list and change nothing.
    if (count <= 0 || cursor < -1 || columns < 1)
        return cursor;
    int next = cursor;
    switch (key) {
    case NavKey::Home:
        next = cursor - cursor % columns;
        break;
    case NavKey::End:
        next = std::min((cursor / columns + 1) * columns - 1, count - 1);
        break;
    case NavKey::Left:
        next = cursor - 1;
        break;
    case NavKey::Right:
        next = cursor + 1;
        break;
    case NavKey::Up:
        next = cursor - columns;
        break;
    case NavKey::Down:
        next = cursor + columns;
        break;
    case NavKey::First:
        next = 0;
        break;
    case NavKey::Last:
        next = count - 1;
        break;
    case NavKey::PageUp:
        next = std::max(0, cursor - std::max(1, pageRows) * columns);
        break;
    case NavKey::PageDown:
        next = std::min(count - 1, std::max(0, cursor) + std::max(1, pageRows) * columns);
        break;
    }
    return next >= 0 && next < count ? next : cursor;
}

void moveCursorTo(IItemStates& items, int cursor, ChangedItems* changed) {
    for (int i = 0; i < items.count(); ++i)
        put(items, i, i == cursor ? (kCursorBit | kSelectedBit) : 0, changed);
}

void selectRange(IItemStates& items, int anchor, int cursor, ChangedItems* changed) {
    const int lo = std::min(anchor, cursor);
    const int hi = std::max(anchor, cursor);
    for (int i = 0; i < items.count(); ++i) {
        const int s = i >= lo && i <= hi ? kSelectedBit : 0;
        put(items, i, i == cursor ? (s | kCursorBit) : s, changed);
    }
}

void selectByBand(IItemStates& items, const ThumbnailLayout& layout, int clientWidth,
                  const GridRect& band, ChangedItems* changed) {
    for (int i = 0; i < items.count(); ++i) {
        const GridRect core = layout.coreRect(i, clientWidth);
        const bool hit = core.intersects(band);
        const int s = items.state(i);
        put(items, i, hit ? (s | kSelectedBit) : (s & ~kSelectedBit), changed);
    }
}

int selectAll(IItemStates& items) {
    for (int i = 0; i < items.count(); ++i)
        items.setState(i, items.state(i) | kSelectedBit);
    return items.count();
}

int invertSelection(IItemStates& items) {
    for (int i = 0; i < items.count(); ++i)
        items.setState(i, items.state(i) ^ kSelectedBit);
    return selectedCount(items);
}

} // namespace lumora::selection
