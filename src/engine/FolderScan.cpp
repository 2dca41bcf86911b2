// Folder enumeration: one read of the directory listing, matched against the
// scan patterns, then added pattern by pattern in the patterns' order.
#include "engine/ImageItemList.h"

#include "engine/ItemMarks.h"
#include "marks/Sidecar.h"

#include <array>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace lumora {

namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Index of the pattern whose "*.ext" matches name, or -1. Matching is
// case-insensitive; "*.tif" also takes ".tiff" names.
int matchPattern(std::string_view name, const ScanPattern* patterns, int count) {
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos)
        return -1;
    std::string_view ext = name.substr(dot + 1);
    if (ext.size() < 3 || ext.size() > 4)
        return -1;
    char lower[4];
    for (std::size_t i = 0; i < ext.size(); ++i)
        lower[i] = lowerAscii(ext[i]);
    std::string_view key(lower, ext.size());
    for (int p = 0; p < count; ++p) {
        if (key == patterns[p].extension)
            return p;
        if (patterns[p].kind == ImageKind::Tiff && key == "tiff")
            return p;
    }
    return -1;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

} // namespace

bool ImageItemList::EnumerateFolder(const std::string& folder, const KindFilter& filter,
                                    const std::function<bool()>& superseded,
                                    const std::function<void(int)>& counted) {
    ScanPattern patterns[kMaxScanPatterns];
    const int patternCount = scanPatterns(filter, patterns);
    if (patternCount == 0)
        return true;

    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return true; // a folder that cannot be searched adds nothing
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return true;
    }

    std::array<std::vector<std::string>, kMaxScanPatterns> matches;
    // The sidecars of the folder, from the same listing: a folder without
    // any costs no look-up per file.
    std::unordered_set<std::string> sidecars;
    bool stopped = false;
    while (dirent* entry = ::readdir(dir.get())) {
        std::string_view name(entry->d_name);
        int p = matchPattern(name, patterns, patternCount);
        if (p < 0) {
            if (IsSidecarName(name))
                sidecars.emplace(name);
            continue;
        }
        if (superseded && superseded()) {
            stopped = true;
            break;
        }
        if (filter.minFileSize > 0) {
            // Only the size limiter needs the size: one stat per candidate.
            struct stat st;
            if (::fstatat(::dirfd(dir.get()), entry->d_name, &st, 0) != 0)
                continue;
            if (st.st_size < filter.minFileSize)
                continue;
        }
        matches[p].emplace_back(name);
    }
    dir.reset();

    for (int p = 0; p < patternCount && !stopped; ++p) {
        if (!matches[p].empty()) {
            std::vector<std::unique_ptr<ImageItem>> batch;
            batch.reserve(matches[p].size());
            for (std::string& name : matches[p]) {
                std::string path;
                path.reserve(folder.size() + name.size());
                path.append(folder).append(name);
                auto item = std::make_unique<ImageItem>();
                item->path = std::move(path);
                item->fileName = std::move(name);
                item->kind = patterns[p].kind;
                item->exifScanned = kindHasExif(item->kind) ? 0 : 1;
                item->marksListed = 1;
                if (!sidecars.empty()) {
                    item->marksSidecar = FindSidecarName(item->fileName, [&](const std::string& n) {
                        return sidecars.count(n) > 0;
                    });
                }
                // Files without shooting information are not scanned later:
                // their sidecar is read now (none is read when there is none).
                if (item->exifScanned)
                    ReadItemMarks(*item, nullptr);
                batch.push_back(std::move(item));
            }
            std::lock_guard lock(mutex_);
            items_.reserve(items_.size() + batch.size());
            for (auto& item : batch) {
                item->id = nextId_++;
                items_.push_back(std::move(item));
            }
        }
        if (counted)
            counted(Count());
        if (superseded && superseded())
            stopped = true;
    }
    return !stopped;
}

} // namespace lumora
