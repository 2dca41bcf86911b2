// Test double of the thumbnail view behind the viewer: a list of items with
// a cursor; next/previous/openAt move the cursor and open the item in the
// viewer the way the view does (ShowItem), wrapping at the ends.
#pragma once

#include "viewer/ViewerFrame.h"

#include <QFile>

#include <string>
#include <vector>

namespace lumora::test {

struct FakeViewerList {
    std::vector<ImageItem> items;
    int cursor = 0;
    int deleteCalls = 0;
    int openCurrentCalls = 0;
    CViewerFrame* frame = nullptr;

    void add(const std::string& path, ImageKind kind = ImageKind::Jpeg, int orientation = 0) {
        ImageItem item = ImageItem::FromPath(path, kind);
        if (orientation)
            item.imageInfo.orientation = static_cast<uint16_t>(orientation);
        items.push_back(std::move(item));
    }
    void open(int index) {
        if (items.empty())
            return;
        cursor = index;
        frame->ShowItem(items[std::size_t(cursor)], cursor, int(items.size()));
    }
    int selected = 1; // what the list reports as selected
    void attach(CViewerFrame* f) {
        frame = f;
        ViewerListSource s;
        s.next = [this] { open((cursor + 1) % int(items.size())); };
        s.previous = [this] { open((cursor + int(items.size()) - 1) % int(items.size())); };
        s.openAt = [this](int i) { open(i); };
        s.copyItem = [this](int i, ImageItem& out) {
            if (i < 0 || i >= int(items.size()))
                return false;
            out = items[std::size_t(i)];
            return true;
        };
        s.selectedCount = [this] { return selected; };
        s.count = [this] { return int(items.size()); };
        s.deleteItem = [this](const QString& path) {
            ++deleteCalls;
            const bool removed = QFile::remove(path);
            if (removed)
                items.erase(items.begin() + cursor);
            if (cursor >= int(items.size()))
                cursor = int(items.size()) - 1;
            return removed;
        };
        s.openCurrent = [this] {
            ++openCurrentCalls;
            if (cursor >= 0)
                open(cursor);
        };
        f->SetListSource(std::move(s));
    }
};

} // namespace lumora::test
