// The locked, ordered list of the items of one view. Every operation holds
// the list's lock for its whole run (a plain count included) and never calls
// out to a window while holding it. Other threads never keep pointers into
// items: they copy items out.
//
// Ownership: the thumbnail view owns its list; the engine's two threads use
// it through a pointer that the view keeps valid until the engine has
// ended. The list owns its items; copies handed out are the caller's.
//
// Threads: every member function may be called from any thread (the GUI
// thread, the engine thread and its worker all do). ScanInfoAt and
// ScanInfoById parse the file on a copy outside the lock; EnumerateFolder
// reads the folder outside the lock and adds its items in batches, one lock
// hold each; RemoveMissing and RemoveSelectedMissing test each file's
// existence (one stat) under the lock.
//
// Lock order: the list's lock is the innermost lock of a view. A caller may
// hold the view's drawing lock when it calls in; no callback runs under the
// list's lock (EnumerateFolder's superseded and counted callbacks are
// called between batches; Sort tests the generation between steps).
#pragma once

#include "engine/LockedValues.h"
#include "imaging/ImageItem.h"
#include "imaging/ImageKind.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lumora {

// ByRating: most stars first, rejects last, then by name.
enum class SortMode : int32_t { Unsorted = 0, ByName = 1, ByShootingTime = 2, ByRating = 3 };

// Which pixel buffers CopyOut copies along with the item.
enum class CopyPixels { All, ThumbnailOnly, None };

// The shooting-information part of an item for the information panel.
struct ItemInfoRecord {
    std::string fileName;
    FileStatus fileStatus;
    bool hasInfo = false; // false: only fileName and fileStatus are filled
    ImageInfo imageInfo;
    ShootingInfo shootingInfo;
    int32_t makerNoteKind = kMakerNoteNone;
    MakerNote makerNote;
    Marks marks; // always filled
};

// A pre-image handed out to the histogram.
struct PreimageCopy {
    DibImage pixels;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t size = 0;
};

// An item a mark is applied to, copied out of the list.
struct MarkTarget {
    int32_t id = 0;
    std::string path;
    Marks marks;
};

// Runs the shooting-information scan on one item (skipped when it is already
// marked as scanned). A file the parser cannot open leaves the item as it was.
void ScanItemInfo(ImageItem& item);

class ImageItemList {
public:
    ImageItemList() = default;
    ImageItemList(const ImageItemList&) = delete;
    ImageItemList& operator=(const ImageItemList&) = delete;

    int Count() const;

    // Gives the item the next id and appends it; returns the id.
    int32_t Add(ImageItem item);

    // Copies the item at index into out; false (and out cleared) when the
    // index is outside the list.
    bool CopyOut(int index, ImageItem& out, CopyPixels pixels = CopyPixels::All) const;
    // As CopyOut, also giving the list's count.
    bool CopyOutWithCount(int index, ImageItem& out, int& count,
                          CopyPixels pixels = CopyPixels::All) const;

    int32_t GetState(int index) const;
    void SetState(int index, int32_t state);
    void ClearStateBits(int index, int32_t bits);
    void SetStateBits(int index, int32_t bits);

    bool HasThumbnail(int index) const;
    bool IsScanned(int index) const;
    // Id of the item at index, or -1.
    int32_t IdAt(int index) const;
    // Index of the item with this id, or -1 (to follow an item through a sort).
    int IndexOfId(int32_t id) const;

    // Stores the thumbnail block when the item at index still has the given
    // id (a sort or a new load in between would otherwise give the picture
    // to another file). Returns whether it was stored.
    bool WriteThumbnailBlock(int index, int32_t id, ThumbnailBlock&& block);
    bool WriteFileStatus(int index, int32_t id, const FileStatus& status, bool readOnly);

    bool CopyInfo(int index, ItemInfoRecord& out) const;
    // Hands out a copy of the pre-image unless the kind is GIF, ICO or CUR.
    bool CopyPreimage(int index, PreimageCopy& out) const;

    // Scans the item at index on a copy outside the lock and writes the scan
    // fields back only when the item there still has the same id. Returns
    // whether the item is scanned afterwards.
    bool ScanInfoAt(int index);
    // Scans the item with the copy's id, if not yet scanned, and copies it
    // back out whole. The file is parsed on a pixel-less copy outside the
    // list lock and the result written back by id, so the engine's worker
    // never waits for a parse on the GUI thread. False when no item has
    // that id (also when it was removed during the parse).
    bool ScanInfoById(ImageItem& copy);

    // The items a mark applies to: every selected item, else the item at
    // `cursor` when that is a valid index; in list order.
    std::vector<MarkTarget> CollectMarkTargets(int cursor) const;
    // Stores marks the user set (marksScanned is set, so a scan in flight
    // keeps them) and the name of the sidecar that now holds them. False
    // when no item has that id / path.
    bool SetMarksById(int32_t id, const Marks& marks, const std::string& sidecarName);
    bool SetMarksByPath(std::string_view path, const Marks& marks, const std::string& sidecarName);

    // Shows only the items the filter passes: the others are moved aside
    // (kept, with their thumbnails) and items set aside before that pass
    // now come back, in the list's sort order (by id when unsorted). A
    // filter that is not active brings every item back; an item whose
    // marks are not read yet (marksScanned unset) stays in view. Returns how
    // many items are set aside. Clear(true) drops those items but keeps the
    // filter for the list's next items (apply it again once their marks are
    // read).
    int ApplyMarkFilter(const MarkFilter& filter);
    MarkFilter markFilter() const;
    int HiddenCount() const;

    int CountSelected() const;
    int FirstSelectedIndex() const; // Count() when none is selected
    int SelectAll();
    int InvertSelection(); // selected count afterwards
    void ClearAllStates();

    // Paths and names compare byte for byte, as the file system does:
    // a.jpg and A.JPG are two files.
    int FindByPath(std::string_view path) const; // -1 when absent
    int FindByName(std::string_view name) const;
    bool ContainsPath(std::string_view path) const { return FindByPath(path) >= 0; }

    // Appends the full paths (or file names) of the selected items; returns
    // the total length counting one terminator per name.
    std::size_t CollectSelected(std::vector<std::string>& out, bool fullPaths) const;
    // Every item's full path, in list order (one consistent snapshot).
    void CollectPaths(std::vector<std::string>& out) const;
    // Every item's path with the item's id (for lookups by path).
    void CollectPathKeys(std::unordered_map<std::string, int32_t>& out) const;
    // Sets state bits on the item with this id; false when none has it.
    bool SetStateBitsById(int32_t id, int32_t bits);
    // The selected full paths, each followed by a NUL, then a final NUL.
    std::size_t CollectSelectedPathList(std::string& out) const;

    int RemoveMissing();
    int RemoveSelectedMissing();
    int RemoveSelected();
    bool RemoveByPath(std::string_view path);

    // Resets every item; with deleteItems also empties the list.
    void Clear(bool deleteItems);

    void SetSortMode(SortMode mode);
    SortMode GetSortMode() const;
    // Quicksort of first..last taking the lock once per partition step. When
    // generation is given and its value no longer equals expected, the sort
    // stops (the list stays a permutation). Returns false when abandoned.
    bool Sort(int first, int last, const LockedValue* generation = nullptr, int32_t expected = 0);
    bool SortAll(const LockedValue* generation = nullptr, int32_t expected = 0);

    // Frees the pixels (reset false) or resets entirely (reset true) every
    // item outside first..last.
    void ReleaseOutside(int first, int last, bool reset);
    // Bytes held by thumbnails and pre-images.
    std::size_t PixelBytes() const;

    // Lists the files of folder (ending in '/') that pass the filter, pattern
    // by pattern, appending new items. superseded is asked before each match;
    // when it answers true the enumeration stops. counted receives the
    // list's count after each pattern. Returns false when superseded.
    bool EnumerateFolder(const std::string& folder, const KindFilter& filter,
                         const std::function<bool()>& superseded,
                         const std::function<void(int)>& counted);

    // Whether a sorts before b in the given mode.
    static bool Less(const ImageItem& a, const ImageItem& b, SortMode mode);

private:
    bool validIndex(int index) const {
        return index >= 0 && index < static_cast<int>(items_.size());
    }
    template <typename Pred> int removeIf(Pred pred);
    ImageItem* findByIdLocked(int32_t id) const; // under mutex_; null when absent

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<ImageItem>> items_;
    std::vector<std::unique_ptr<ImageItem>> hidden_; // set aside by the mark filter
    MarkFilter markFilter_;
    SortMode sortMode_ = SortMode::Unsorted;
    int32_t nextId_ = 0;
};

} // namespace lumora
