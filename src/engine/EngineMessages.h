// What the engine thread and its worker post to the main window: the status
// bar's counts, phase and progress, and the missing-files warning. The main
// window (app/MainFrame) receives them; they are declared here, with their
// sender, because the main window sits above the engine and the engine may
// not include it.
//
// Each view's engine tags its view-specific reports with the view's tab
// index, so the main window can ignore the reports of tabs not shown.
#pragma once

#include "platform/Message.h"

namespace lumora {

constexpr int WM_THUMB_COUNT = WM_USER + 2007;     // 3031
constexpr int WM_THUMB_PHASE = WM_USER + 2008;     // 3032
constexpr int WM_THUMB_VIEWCOUNT = WM_USER + 2009; // 3033
constexpr int WM_THUMB_MISSING = WM_USER + 2020;   // 3044
constexpr int WM_THUMB_PROGRESS = WM_USER + 2024;  // 3048

// Items in the list, for status pane 3.
struct ThumbCountMessage : Message<WM_THUMB_COUNT> {
    explicit ThumbCountMessage(int count) : count(count) {}
    int count = 0;
};

// What the engine is doing, for status pane 0: 0 idle, 1 adding, 2 sorting.
struct ThumbPhaseMessage : Message<WM_THUMB_PHASE> {
    explicit ThumbPhaseMessage(int phase) : phase(phase) {}
    int phase = 0;
};

// A view's item count, for its tab label.
struct ThumbViewCountMessage : Message<WM_THUMB_VIEWCOUNT> {
    ThumbViewCountMessage(int count, int tabIndex) : count(count), tabIndex(tabIndex) {}
    int count = 0;
    int tabIndex = -1;
};

// Files of a worksheet were missing and have been dropped from it.
struct ThumbMissingMessage : Message<WM_THUMB_MISSING> {};

// Scan progress of a view: done of total, 100 of 100 at the end of a pass.
struct ThumbProgressMessage : Message<WM_THUMB_PROGRESS> {
    ThumbProgressMessage(int done, int total, int tabIndex)
        : done(done), total(total), tabIndex(tabIndex) {}
    int done = 0;
    int total = 0;
    int tabIndex = -1;
};

} // namespace lumora
