// Marks set by the user: applies a rating, label or reject change to files
// (their sidecars, then every list that shows them) and undoes the last
// change. Used by the main window's mark commands and by the viewer, each
// for "the files of the active pane".
//
// A change is written file by file (marks/Sidecar.h); a file whose write
// fails keeps its old marks on screen and is named in the failures. The
// undo step of a change holds each written sidecar's previous contents;
// undo puts them back (a sidecar made by the change is removed) and the
// previous marks on screen.
//
// Owner: CMainCommands. GUI thread only; the sidecar writes block on the
// disk for a few milliseconds per file.
#pragma once

#include "engine/ImageItemList.h"
#include "marks/Marks.h"
#include "marks/Sidecar.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

namespace lumora {

class CMarkActions {
public:
    // Called for every file whose marks changed, with its new marks and the
    // sidecar that holds them: stores them in every list showing the file
    // and redraws it.
    using Store = std::function<void(const std::string& path, const Marks& marks,
                                     const std::string& sidecar)>;

    struct Outcome {
        int changed = 0;      // files whose marks are now as asked
        QStringList failures; // one message per file that could not be written
    };

    explicit CMarkActions(Store store) : store_(std::move(store)) {}

    // Applies change to each target (their marks as shown are the base of
    // a file without a sidecar). One undo step for the whole set.
    Outcome apply(const std::vector<MarkTarget>& targets, const MarkChange& change,
                  SidecarNaming naming);

    bool canUndo() const { return !steps_.empty(); }
    // Undoes the last apply.
    Outcome undo();

    // RAW+JPEG pairs and other callers may add files written elsewhere.
    static constexpr std::size_t kMaxSteps = 100;

private:
    struct Entry {
        std::string path;
        SidecarSnapshot before;
        Marks previous;
        std::string previousSidecar;
    };
    Store store_;
    std::vector<std::vector<Entry>> steps_;
};

// The message box text for failures (the first few and how many more).
QString markFailureText(const QStringList& failures);

} // namespace lumora
