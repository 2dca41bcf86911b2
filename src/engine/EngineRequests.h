// The requests a thumbnail view posts to its engine thread, received there by
// CThumbnailEngine's request handler. The view never builds them itself: it
// calls the engine's request functions (LoadFolder, AddFiles, ...), which
// stamp the generation and post. Every request is owned by the event queue
// until delivered and freed with it, payload included, also when the engine
// has ended and the request is dropped.
#pragma once

#include "platform/Message.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace lumora {

// Files to add to a worksheet (paste, drop, worksheet load).
struct AddFilesRequest {
    std::vector<std::string> paths;
    bool rescan = false; // redraw and rescan after adding
    bool select = false; // select what was added
};

// Files just pasted into the view's folder.
struct AddPastedRequest {
    std::vector<std::string> sources; // source paths (their names are looked up in folder)
    std::string folder;
};

constexpr int WM_ENGINE_LOADFOLDER = WM_USER + 1001; // 2025
constexpr int WM_ENGINE_ADDPASTED = WM_USER + 1002;  // 2026
constexpr int WM_ENGINE_ADDFILES = WM_USER + 1003;   // 2027
constexpr int WM_ENGINE_RESCAN = WM_USER + 1004;     // 2028
constexpr int WM_ENGINE_VERIFY = WM_USER + 1006;     // 2030
constexpr int WM_ENGINE_NEEDTHUMB = WM_USER + 1007;  // 2031

// Lists, sorts and queues the folder (which ends in '/').
struct LoadFolderMessage : Message<WM_ENGINE_LOADFOLDER> {
    LoadFolderMessage(std::string folder, int32_t generation)
        : folder(std::move(folder)), generation(generation) {}
    std::string folder;
    int32_t generation = 0;
};

struct AddPastedMessage : Message<WM_ENGINE_ADDPASTED> {
    explicit AddPastedMessage(AddPastedRequest request) : request(std::move(request)) {}
    AddPastedRequest request;
};

struct AddFilesMessage : Message<WM_ENGINE_ADDFILES> {
    explicit AddFilesMessage(std::unique_ptr<AddFilesRequest> request)
        : request(std::move(request)) {}
    std::unique_ptr<AddFilesRequest> request; // never null once posted
};

// Queues every item again (scan and thumbnails).
struct RescanMessage : Message<WM_ENGINE_RESCAN> {
    explicit RescanMessage(int32_t generation) : generation(generation) {}
    int32_t generation = 0;
};

// Drops the worksheet's items whose files are gone, then rescans.
struct VerifyMessage : Message<WM_ENGINE_VERIFY> {
    explicit VerifyMessage(int32_t generation) : generation(generation) {}
    int32_t generation = 0;
};

// Makes the item's thumbnail ahead of the queue (it became visible).
struct NeedThumbMessage : Message<WM_ENGINE_NEEDTHUMB> {
    explicit NeedThumbMessage(int index) : index(index) {}
    int index = -1;
};

} // namespace lumora
