// The thumbnail view's messages: those it receives (any window -> view) and
// those it sends to the list container and the main window, which sit above
// it and so take their declarations from here. All are sent or posted on the
// GUI thread; a sent message's payload is freed with the message unless the
// receiver moves it out.
#pragma once

#include "engine/ImageItemList.h"
#include "imaging/ImageItem.h"
#include "platform/Message.h"

#include <QObject>

#include <memory>
#include <string>
#include <utility>

namespace lumora {

// The cursor item with the view's item count and its index.
struct ThumbItemRecord {
    int count = 0;
    int index = -1;
    ImageItem item;
};

// ---- received by the view (CThumbnailCtrl) ---------------------------------

constexpr int WM_THUMB_GETCOUNT = WM_USER + 2016;    // 3040
constexpr int WM_THUMB_DELETEITEMS = WM_USER + 2029; // 3053
constexpr int WM_THUMB_OPENCURRENT = WM_USER + 2030; // 3054

// Sent: the answer is the view's item count.
struct GetCountMessage : Message<WM_THUMB_GETCOUNT> {
    int result = 0;
};

// Sent by the viewer: delete the selection, or the one file `path` when it is
// not empty, with `owner` as the window of the questions. The answer is true
// when something changed.
struct DeleteItemsMessage : Message<WM_THUMB_DELETEITEMS> {
    QObject* owner = nullptr;
    std::string path;
    bool result = false;
};

// Show the cursor item in the viewer (after a deletion moved the cursor).
struct OpenCurrentMessage : Message<WM_THUMB_OPENCURRENT> {
    QObject* owner = nullptr;
};

// ---- sent by the view to the list container --------------------------------

constexpr int WM_THUMB_PREIMAGE = WM_USER + 2001;     // 3025
constexpr int WM_THUMB_OPENVIEWER = WM_USER + 2006;   // 3030
constexpr int WM_THUMB_COUNTCHANGED = WM_USER + 2010; // 3034
constexpr int WM_THUMB_NOPREIMAGE = WM_USER + 2026;   // 3050

// The cursor item's pre-image, for the information panel's histogram.
struct PreimageMessage : Message<WM_THUMB_PREIMAGE> {
    explicit PreimageMessage(std::unique_ptr<PreimageCopy> preimage)
        : preimage(std::move(preimage)) {}
    std::unique_ptr<PreimageCopy> preimage;
};

// No cursor item: the histogram is cleared.
struct NoPreimageMessage : Message<WM_THUMB_NOPREIMAGE> {};

// Open the cursor item in the viewer window.
struct OpenViewerMessage : Message<WM_THUMB_OPENVIEWER> {
    explicit OpenViewerMessage(std::unique_ptr<ThumbItemRecord> record)
        : record(std::move(record)) {}
    std::unique_ptr<ThumbItemRecord> record;
};

// A worksheet's item count changed (its tab label): the view's own report
// after items were removed or cleared, with the tab index the container
// gave it. Without a tab index the container reads every tab's count.
struct CountChangedMessage : Message<WM_THUMB_COUNTCHANGED> {
    CountChangedMessage() = default;
    CountChangedMessage(int count, int tabIndex) : count(count), tabIndex(tabIndex) {}
    int count = -1;
    int tabIndex = -1;
};

// ---- sent by the view to the main window -----------------------------------

constexpr int WM_THUMB_SELCOUNT = WM_USER + 2015;    // 3039
constexpr int WM_THUMB_LISTCLEARED = WM_USER + 2023; // 3047
constexpr int WM_THUMB_CURRENTITEM = WM_USER + 2050; // 3074

// Selected items, for status pane 0; -1 leaves the pane as it is.
struct SelCountMessage : Message<WM_THUMB_SELCOUNT> {
    explicit SelCountMessage(int count) : count(count) {}
    int count = 0;
};

// The list was emptied (or lost the current item): the viewer and the mini
// preview let go of what they show.
struct ListClearedMessage : Message<WM_THUMB_LISTCLEARED> {};

// The cursor item, for the mini preview.
struct CurrentItemMessage : Message<WM_THUMB_CURRENTITEM> {
    explicit CurrentItemMessage(std::unique_ptr<ThumbItemRecord> record)
        : record(std::move(record)) {}
    std::unique_ptr<ThumbItemRecord> record;
};

// Commands of the view's context menu and the main window's edit commands
// that it forwards.
constexpr int ID_THUMB_PREVIEW = 32932;
constexpr int ID_THUMB_PROPERTIES = 32931;
constexpr int ID_THUMB_OPENFIRSTAPP = 32933;
constexpr int ID_THUMB_CUT = 37004;
constexpr int ID_THUMB_COPY = 37005;
constexpr int ID_THUMB_PASTE = 37006;
constexpr int ID_THUMB_DELETE = 37007;
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_ADD_TO_WORKSHEET_FIRST = 34000;
constexpr int ID_OPEN_WITH_FIRST = 35000;

} // namespace lumora
