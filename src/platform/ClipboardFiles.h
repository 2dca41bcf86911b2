// File lists on the clipboard and in drag and drop, with the copy/cut effect.
//
// A list is written in the forms that file managers on Linux exchange:
//   text/uri-list                  one file:// URI per line (CRLF), the plain list
//   x-special/gnome-copied-files   "copy" or "cut", then one URI per line
//   application/x-kde-cutselection "1" when the files were cut
// plus text/plain with the paths, for text editors. Reading accepts any of
// them; a bare URI list (no effect given) counts as a copy.
//
// The effect values match the ones the rest of the program stores: 1 copy,
// 2 cut (move), 0 unknown.
//
// The functions that read or write a QMimeData are reentrant; those that
// touch the system clipboard run on the GUI thread only.
#pragma once

#include <QMimeData>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

namespace lumora {

constexpr std::uint32_t DROPEFFECT_NONE = 0;
constexpr std::uint32_t DROPEFFECT_COPY = 1;
constexpr std::uint32_t DROPEFFECT_MOVE = 2;

inline constexpr char kUriListMime[] = "text/uri-list";
inline constexpr char kGnomeCopiedFilesMime[] = "x-special/gnome-copied-files";
inline constexpr char kKdeCutSelectionMime[] = "application/x-kde-cutselection";

struct ClipboardFileList {
    QStringList paths;                          // absolute local paths, in order
    std::uint32_t dropEffect = DROPEFFECT_NONE; // 1 copy, 2 cut, 0 unknown
};

// Fills `data` with the file list in every form above. Relative or empty
// paths are left out.
void writeFileList(QMimeData& data, const QStringList& paths, std::uint32_t dropEffect);
std::unique_ptr<QMimeData> makeFileListMimeData(const QStringList& paths, std::uint32_t dropEffect);

// True when the data carries at least one local file.
bool hasFileList(const QMimeData& data);

// The local files of the data and their effect; nullopt when there are none.
// Non-local URIs (sftp://, http://) are skipped.
std::optional<ClipboardFileList> readFileList(const QMimeData& data);

// The system clipboard (needs a QGuiApplication). put returns false when there
// is no clipboard or no path to put.
bool putFilesOnClipboard(const QStringList& paths, std::uint32_t dropEffect);
std::optional<ClipboardFileList> filesFromClipboard();
// Empties the clipboard when it still holds exactly this cut list (after a
// completed move its paths are stale).
void clearClipboardIfCut(const QStringList& paths);

} // namespace lumora
