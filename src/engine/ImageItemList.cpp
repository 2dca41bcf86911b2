#include "engine/ImageItemList.h"

#include "engine/LockedValues.h"
#include "metadata/ShootingTime.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {

namespace {

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// Called under the list lock: the pixel buffers are moved aside for the
// plain copy and put back, then the wanted ones are copied.
void copyItem(ImageItem& from, ImageItem& to, CopyPixels pixels) {
    if (pixels == CopyPixels::All) {
        to = from;
        return;
    }
    PixelBuffer thumbBits = std::move(from.thumb.thumbBits);
    PixelBuffer preimageBits = std::move(from.thumb.preimageBits);
    to = from;
    from.thumb.thumbBits = std::move(thumbBits);
    from.thumb.preimageBits = std::move(preimageBits);
    if (pixels == CopyPixels::ThumbnailOnly)
        to.thumb.thumbBits = from.thumb.thumbBits;
}

} // namespace

int ImageItemList::Count() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(items_.size());
}

int32_t ImageItemList::Add(ImageItem item) {
    auto owned = std::make_unique<ImageItem>(std::move(item));
    std::lock_guard lock(mutex_);
    owned->id = nextId_++;
    int32_t id = owned->id;
    items_.push_back(std::move(owned));
    return id;
}

bool ImageItemList::CopyOut(int index, ImageItem& out, CopyPixels pixels) const {
    std::lock_guard lock(mutex_);
    if (!validIndex(index)) {
        out = ImageItem{};
        return false;
    }
    copyItem(*items_[index], out, pixels);
    return true;
}

bool ImageItemList::CopyOutWithCount(int index, ImageItem& out, int& count,
                                     CopyPixels pixels) const {
    std::lock_guard lock(mutex_);
    count = static_cast<int>(items_.size());
    if (!validIndex(index)) {
        out = ImageItem{};
        return false;
    }
    copyItem(*items_[index], out, pixels);
    return true;
}

int32_t ImageItemList::GetState(int index) const {
    std::lock_guard lock(mutex_);
    return validIndex(index) ? items_[index]->state : 0;
}

void ImageItemList::SetState(int index, int32_t state) {
    std::lock_guard lock(mutex_);
    if (validIndex(index))
        items_[index]->state = state;
}

void ImageItemList::ClearStateBits(int index, int32_t bits) {
    std::lock_guard lock(mutex_);
    if (validIndex(index))
        items_[index]->state &= ~bits;
}

void ImageItemList::SetStateBits(int index, int32_t bits) {
    std::lock_guard lock(mutex_);
    if (validIndex(index))
        items_[index]->state |= bits;
}

bool ImageItemList::HasThumbnail(int index) const {
    std::lock_guard lock(mutex_);
    return validIndex(index) && items_[index]->hasThumbnail();
}

bool ImageItemList::IsScanned(int index) const {
    std::lock_guard lock(mutex_);
    return validIndex(index) && items_[index]->exifScanned;
}

int32_t ImageItemList::IdAt(int index) const {
    std::lock_guard lock(mutex_);
    return validIndex(index) ? items_[index]->id : -1;
}

int ImageItemList::IndexOfId(int32_t id) const {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->id == id)
            return static_cast<int>(i);
    return -1;
}

bool ImageItemList::WriteThumbnailBlock(int index, int32_t id, ThumbnailBlock&& block) {
    ThumbnailBlock old;
    {
        std::lock_guard lock(mutex_);
        if (!validIndex(index) || items_[index]->id != id)
            return false;
        old = std::exchange(items_[index]->thumb, std::move(block));
    }
    return true; // the replaced pixels are freed outside the lock
}

bool ImageItemList::WriteFileStatus(int index, int32_t id, const FileStatus& status,
                                    bool readOnly) {
    std::lock_guard lock(mutex_);
    if (!validIndex(index) || items_[index]->id != id)
        return false;
    items_[index]->fileStatus = status;
    items_[index]->readOnly = readOnly ? 1 : 0;
    return true;
}

bool ImageItemList::CopyInfo(int index, ItemInfoRecord& out) const {
    std::lock_guard lock(mutex_);
    out = ItemInfoRecord{};
    if (!validIndex(index))
        return false;
    const ImageItem& item = *items_[index];
    out.fileName = item.fileName;
    out.fileStatus = item.fileStatus;
    out.marks = item.marks;
    if (item.imageInfo.make || item.imageInfo.model) {
        out.hasInfo = true;
        out.imageInfo = item.imageInfo;
        out.shootingInfo = item.shootingInfo;
        out.makerNoteKind = item.makerNoteKind;
        if (item.makerNote)
            out.makerNote = *item.makerNote;
    }
    return true;
}

bool ImageItemList::CopyPreimage(int index, PreimageCopy& out) const {
    std::lock_guard lock(mutex_);
    out = PreimageCopy{};
    if (!validIndex(index))
        return false;
    const ImageItem& item = *items_[index];
    if (item.thumb.preimageBits.isNull() || item.kind == ImageKind::Gif ||
        item.kind == ImageKind::Ico || item.kind == ImageKind::Cur)
        return false;
    out.pixels = item.thumb.preimageBits.clone();
    out.width = item.thumb.preimageWidth();
    out.height = item.thumb.preimageHeight();
    out.size = item.thumb.preimageSize();
    return true;
}

bool ImageItemList::ScanInfoAt(int index) {
    ImageItem copy;
    if (!CopyOut(index, copy, CopyPixels::None))
        return false;
    if (copy.exifScanned)
        return true;
    ScanItemInfo(copy);
    std::lock_guard lock(mutex_);
    if (!validIndex(index) || items_[index]->id != copy.id)
        return false; // the copy and what it owns are freed on return
    items_[index]->TakeScanFields(std::move(copy));
    return items_[index]->exifScanned;
}

ImageItem* ImageItemList::findByIdLocked(int32_t id) const {
    for (const auto& item : items_)
        if (item->id == id)
            return item.get();
    return nullptr;
}

bool ImageItemList::ScanInfoById(ImageItem& copy) {
    ImageItem scanned;
    {
        std::lock_guard lock(mutex_);
        ImageItem* item = findByIdLocked(copy.id);
        if (!item)
            return false;
        copyItem(*item, scanned, CopyPixels::None);
    }
    ScanItemInfo(scanned); // does nothing for an item already scanned
    std::lock_guard lock(mutex_);
    ImageItem* item = findByIdLocked(copy.id);
    if (!item)
        return false; // removed meanwhile; the scanned copy is freed on return
    if (!item->exifScanned)
        item->TakeScanFields(std::move(scanned));
    copy = *item;
    return true;
}

std::vector<MarkTarget> ImageItemList::CollectMarkTargets(int cursor) const {
    std::lock_guard lock(mutex_);
    std::vector<MarkTarget> out;
    for (const auto& item : items_)
        if (item->isSelected())
            out.push_back({item->id, item->path, item->marks});
    if (out.empty() && validIndex(cursor)) {
        const ImageItem& item = *items_[cursor];
        out.push_back({item.id, item.path, item.marks});
    }
    return out;
}

namespace {

void storeMarks(ImageItem& item, const Marks& marks, const std::string& sidecarName) {
    item.marks = marks;
    item.marksScanned = 1;
    item.marksListed = 1;
    const std::size_t slash = sidecarName.find_last_of('/');
    item.marksSidecar = slash == std::string::npos ? sidecarName : sidecarName.substr(slash + 1);
}

} // namespace

bool ImageItemList::SetMarksById(int32_t id, const Marks& marks, const std::string& sidecarName) {
    std::lock_guard lock(mutex_);
    ImageItem* item = findByIdLocked(id);
    if (!item)
        return false;
    storeMarks(*item, marks, sidecarName);
    return true;
}

bool ImageItemList::SetMarksByPath(std::string_view path, const Marks& marks,
                                   const std::string& sidecarName) {
    std::lock_guard lock(mutex_);
    bool found = false;
    for (auto& item : items_)
        if (item->path == path) {
            storeMarks(*item, marks, sidecarName);
            found = true;
        }
    return found;
}

int ImageItemList::ApplyMarkFilter(const MarkFilter& filter) {
    std::lock_guard lock(mutex_);
    markFilter_ = filter;
    std::vector<std::unique_ptr<ImageItem>> shown, aside;
    shown.reserve(items_.size() + hidden_.size());
    for (auto* from : {&items_, &hidden_})
        for (auto& item : *from) {
            // An item whose marks are not read yet stays in view: the
            // filter is applied again once the scan has read them.
            if (!item->marksScanned || filter.passes(item->marks)) {
                shown.push_back(std::move(item));
            } else {
                item->state = 0; // hidden items are neither selected nor the cursor
                aside.push_back(std::move(item));
            }
        }
    const SortMode mode = sortMode_;
    std::stable_sort(shown.begin(), shown.end(), [mode](const auto& a, const auto& b) {
        return mode == SortMode::Unsorted ? a->id < b->id : Less(*a, *b, mode);
    });
    items_ = std::move(shown);
    hidden_ = std::move(aside);
    return static_cast<int>(hidden_.size());
}

MarkFilter ImageItemList::markFilter() const {
    std::lock_guard lock(mutex_);
    return markFilter_;
}

int ImageItemList::HiddenCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(hidden_.size());
}

int ImageItemList::CountSelected() const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& item : items_)
        n += item->isSelected() ? 1 : 0;
    return n;
}

int ImageItemList::FirstSelectedIndex() const {
    std::lock_guard lock(mutex_);
    int i = 0;
    for (; i < static_cast<int>(items_.size()); ++i)
        if (items_[i]->isSelected())
            break;
    return i;
}

int ImageItemList::SelectAll() {
    std::lock_guard lock(mutex_);
    for (auto& item : items_)
        item->state |= kStateSelected;
    return static_cast<int>(items_.size());
}

int ImageItemList::InvertSelection() {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (auto& item : items_) {
        item->state ^= kStateSelected;
        n += item->isSelected() ? 1 : 0;
    }
    return n;
}

void ImageItemList::ClearAllStates() {
    std::lock_guard lock(mutex_);
    for (auto& item : items_)
        item->state = 0;
}

int ImageItemList::FindByPath(std::string_view path) const {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < static_cast<int>(items_.size()); ++i)
        if (items_[i]->path == path)
            return i;
    return -1;
}

int ImageItemList::FindByName(std::string_view name) const {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < static_cast<int>(items_.size()); ++i)
        if (items_[i]->fileName == name)
            return i;
    return -1;
}

std::size_t ImageItemList::CollectSelected(std::vector<std::string>& out, bool fullPaths) const {
    std::lock_guard lock(mutex_);
    std::size_t total = 0;
    for (const auto& item : items_) {
        if (!item->isSelected())
            continue;
        const std::string& name = fullPaths ? item->path : item->fileName;
        out.push_back(name);
        total += name.size() + 1;
    }
    return total;
}

void ImageItemList::CollectPaths(std::vector<std::string>& out) const {
    std::lock_guard lock(mutex_);
    out.reserve(out.size() + items_.size());
    for (const auto& item : items_)
        out.push_back(item->path);
}

void ImageItemList::CollectPathKeys(std::unordered_map<std::string, int32_t>& out) const {
    std::lock_guard lock(mutex_);
    out.reserve(out.size() + items_.size());
    for (const auto& item : items_)
        out.emplace(item->path, item->id);
}

bool ImageItemList::SetStateBitsById(int32_t id, int32_t bits) {
    std::lock_guard lock(mutex_);
    for (auto& item : items_)
        if (item->id == id) {
            item->state |= bits;
            return true;
        }
    return false;
}

std::size_t ImageItemList::CollectSelectedPathList(std::string& out) const {
    std::lock_guard lock(mutex_);
    out.clear();
    for (const auto& item : items_) {
        if (!item->isSelected())
            continue;
        out += item->path;
        out.push_back('\0');
    }
    out.push_back('\0');
    return out.size();
}

template <typename Pred> int ImageItemList::removeIf(Pred pred) {
    std::vector<std::unique_ptr<ImageItem>> removed;
    {
        std::lock_guard lock(mutex_);
        auto keep = items_.begin();
        for (auto it = items_.begin(); it != items_.end(); ++it) {
            if (pred(**it))
                removed.push_back(std::move(*it));
            else
                *keep++ = std::move(*it);
        }
        items_.erase(keep, items_.end());
    }
    return static_cast<int>(removed.size()); // freed outside the lock
}

int ImageItemList::RemoveMissing() {
    return removeIf([](const ImageItem& item) { return !fileExists(item.path); });
}

int ImageItemList::RemoveSelectedMissing() {
    return removeIf(
        [](const ImageItem& item) { return item.isSelected() && !fileExists(item.path); });
}

int ImageItemList::RemoveSelected() {
    return removeIf([](const ImageItem& item) { return item.isSelected(); });
}

bool ImageItemList::RemoveByPath(std::string_view path) {
    return removeIf([&](const ImageItem& item) { return item.path == path; }) > 0;
}

void ImageItemList::Clear(bool deleteItems) {
    std::vector<std::unique_ptr<ImageItem>> removed, hidden;
    std::lock_guard lock(mutex_);
    if (deleteItems) {
        removed.swap(items_);
        hidden.swap(hidden_);
        // The filter stays: the next items of this list (a reload, another
        // folder in the same tab) are filtered alike.
        return; // the lock is released before the items are freed
    }
    for (auto& item : items_)
        item->Reset();
}

void ImageItemList::SetSortMode(SortMode mode) {
    std::lock_guard lock(mutex_);
    sortMode_ = mode;
}

SortMode ImageItemList::GetSortMode() const {
    std::lock_guard lock(mutex_);
    return sortMode_;
}

bool ImageItemList::Less(const ImageItem& a, const ImageItem& b, SortMode mode) {
    if (mode == SortMode::ByRating) {
        // Rejects below unrated files, then stars from five down.
        const int ra = a.marks.reject ? -1 : a.marks.rating;
        const int rb = b.marks.reject ? -1 : b.marks.rating;
        if (ra != rb)
            return ra > rb;
    }
    if (mode == SortMode::ByShootingTime) {
        int byTime = CompareShootingTime(a.imageInfo, b.imageInfo);
        if (byTime != 0)
            return byTime < 0;
    }
    // Byte order of the UTF-8 names is code-point order, case-sensitive; a
    // name that is a prefix of the other is less.
    return a.fileName < b.fileName;
}

bool ImageItemList::Sort(int first, int last, const LockedValue* generation, int32_t expected) {
    // The smaller side is sorted by recursion and the larger one by the loop,
    // so the depth stays logarithmic whatever the names are.
    while (first < last) {
        int i;
        {
            std::lock_guard lock(mutex_);
            int count = static_cast<int>(items_.size());
            last = std::min(last, count - 1); // the list may have shrunk between steps
            if (first >= last)
                return true;
            const SortMode mode = sortMode_;
            const int mid = first + (last - first) / 2;
            std::unique_ptr<ImageItem> pivot = std::move(items_[mid]);
            items_[mid] = std::move(items_[first]);
            i = first;
            for (int j = first + 1; j <= last; ++j) {
                if (Less(*items_[j], *pivot, mode)) {
                    ++i;
                    std::swap(items_[i], items_[j]);
                }
            }
            items_[first] = std::move(items_[i]);
            items_[i] = std::move(pivot);
        }
        if (generation && generation->Get() != expected)
            return false;
        if (i - first < last - i) {
            if (!Sort(first, i - 1, generation, expected))
                return false;
            first = i + 1;
        } else {
            if (!Sort(i + 1, last, generation, expected))
                return false;
            last = i - 1;
        }
    }
    return true;
}

bool ImageItemList::SortAll(const LockedValue* generation, int32_t expected) {
    return Sort(0, Count() - 1, generation, expected);
}

void ImageItemList::ReleaseOutside(int first, int last, bool reset) {
    std::vector<PixelBuffer> freed; // freed after the lock is released
    std::lock_guard lock(mutex_);
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
        if (i >= first && i <= last)
            continue;
        ImageItem& item = *items_[i];
        if (reset) {
            item.Reset();
        } else {
            if (item.hasThumbnail())
                freed.push_back(std::move(item.thumb.thumbBits));
            if (!item.thumb.preimageBits.isNull())
                freed.push_back(std::move(item.thumb.preimageBits));
        }
    }
}

std::size_t ImageItemList::PixelBytes() const {
    std::lock_guard lock(mutex_);
    std::size_t total = 0;
    for (const auto& item : items_)
        total += item->thumb.thumbBits.byteSize() + item->thumb.preimageBits.byteSize();
    return total;
}

} // namespace lumora
