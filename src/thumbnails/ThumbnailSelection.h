// Cursor and selection rules of the thumbnail view, kept in the items' state
// bits: bit 0 (1) carries the cursor, bit 1 (2) marks a selected item. The
// rules work on any list through IItemStates, so they are testable without a
// window; the view adapts its locked item list to it.
#pragma once

#include "thumbnails/ThumbnailLayout.h"

#include <vector>

namespace lumora {

constexpr int kCursorBit = 1;
constexpr int kSelectedBit = 2;

class IItemStates {
public:
    virtual ~IItemStates() = default;
    virtual int count() const = 0;
    virtual int state(int index) const = 0;
    virtual void setState(int index, int state) = 0;
};

// A plain array of states; used by tests and as a scratch copy.
class StateArray : public IItemStates {
public:
    explicit StateArray(int n = 0) : states(static_cast<std::size_t>(n), 0) {}
    int count() const override { return static_cast<int>(states.size()); }
    int state(int index) const override { return states[static_cast<std::size_t>(index)]; }
    void setState(int index, int s) override { states[static_cast<std::size_t>(index)] = s; }
    std::vector<int> states;
};

// Indexes whose state changed, for redrawing.
using ChangedItems = std::vector<int>;

namespace selection {

int selectedCount(const IItemStates& items);

// Left button down on item p (-1: empty space). Returns the new cursor index.
// On empty space the selection is cleared and the cursor stays.
int leftButtonDown(IItemStates& items, int cursor, int p, bool ctrl, bool shift,
                   ChangedItems* changed = nullptr);

// Left button up outside a band: without Shift or Ctrl only the cursor item
// keeps its selected bit.
void leftButtonUp(IItemStates& items, bool ctrl, bool shift, ChangedItems* changed = nullptr);

// Right button down on item p (-1: nothing happens). Returns the new cursor.
int rightButtonDown(IItemStates& items, int cursor, int p, ChangedItems* changed = nullptr);

// Home and End go along the row; First and Last (Ctrl+Home, Ctrl+End) to the
// ends of the list; PageUp and PageDown (with Shift; the plain keys only
// scroll) pageRows rows up or down, stopping at the first or last item.
enum class NavKey { Home, End, Left, Right, Up, Down, First, Last, PageUp, PageDown };
// The cursor index a navigation key leads to (unchanged when it would leave
// the list).
int navigate(NavKey key, int cursor, int count, int columns, int pageRows = 1);

// Shift with a navigation key: the items from anchor to cursor (both ends,
// either order) are selected and every other item is not; the cursor item
// carries the cursor bit.
void selectRange(IItemStates& items, int anchor, int cursor, ChangedItems* changed = nullptr);

// After a key moved the cursor: every state 0, the cursor item 3.
void moveCursorTo(IItemStates& items, int cursor, ChangedItems* changed = nullptr);

// The band (content coordinates, normalised) replaces the selection: an item
// whose core meets it is selected, every other item is not.
void selectByBand(IItemStates& items, const ThumbnailLayout& layout, int clientWidth,
                  const GridRect& band, ChangedItems* changed = nullptr);

int selectAll(IItemStates& items);
int invertSelection(IItemStates& items);

} // namespace selection
} // namespace lumora
