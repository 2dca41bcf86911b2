// Export of a worksheet's files to a folder: the copy of one file, the
// destination names, and the copy worker with its progress messages.
//
// Threads: the GUI thread builds the pairs and owns the CExportWorker; the
// worker thread only reads its own pairs, copies, and posts the three
// messages below to the window given at construction (the main window),
// which must outlive the worker (the worker is joined in its destructor).
#pragma once

#include "platform/Message.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace lumora {

// Messages posted by the copy worker, received by the main window.
// 3035: a file is being started (1-based) of total.
struct ExportProgressMessage : Message<WM_USER + 2011> {
    ExportProgressMessage(int started, int total) : started(started), total(total) {}
    int started;
    int total;
};
// 3036: the destination path of the file being copied.
struct ExportFileMessage : Message<WM_USER + 2012> {
    explicit ExportFileMessage(QString destination) : destination(std::move(destination)) {}
    QString destination;
};
// 3038: the worker is done (after the last file, after a cancel, or
// stopped early by a failure that every further file would meet too: a full
// disk, a read-only or vanished destination folder).
struct ExportDoneMessage : Message<WM_USER + 2014> {
    ExportDoneMessage(int copied, int skipped, int failed, bool cancelled)
        : copied(copied), skipped(skipped), failed(failed), cancelled(cancelled) {}
    int copied;
    int skipped;
    int failed;
    bool cancelled;
    int stopError = 0; // errno that stopped the export early, 0 when none
    QString stopFile;  // the destination whose copy met it
};

struct ExportPair {
    std::string source;
    std::string destination;
};

enum class ExportCopyResult {
    Copied,
    SameFile, // the destination is the source itself: left alone
    Failed,   // nothing was changed at the destination
};

// How a copy stays out of sight until it is complete.
enum class ExportTempFile {
    // A new target is written as an unnamed file of its folder (O_TMPFILE)
    // and linked in when complete; where the filesystem refuses unnamed
    // files, and for a target that exists, as Named.
    Unnamed,
    // A hidden temporary name in the destination folder, renamed over the
    // target when complete.
    Named,
};

// Copies source to destination, replacing an existing file, through
// CopyFileDurably: the copy is kept out of sight (see ExportTempFile) until
// it is complete and synced, so an interrupted copy never leaves a
// half-written file under the destination's name. Keeps the source's mode
// bits and modification time. Never blocks on a FIFO; a destination that is
// the source itself is left alone. `error` (when given) gets the errno of a
// failure (see DurableFile.h), else 0.
ExportCopyResult CopyFileForExport(const std::string& source, const std::string& destination,
                                   ExportTempFile method = ExportTempFile::Unnamed,
                                   int* error = nullptr);

// The sub-folder name for a worksheet name: "/" becomes "／"; an empty name,
// "." and ".." have none.
std::optional<std::string> WorkSheetFolderName(std::string_view worksheetName);

// destinationFolder + "/" (unless it ends in one) + fileName.
std::string ExportDestination(std::string_view destinationFolder, std::string_view fileName);

// Creates the folder with every missing level. True when it exists afterwards.
bool CreateFolderAllLevels(const std::string& folder);

class CExportWorker {
public:
    CExportWorker(QObject* mainWindow, std::vector<ExportPair> pairs);
    ~CExportWorker(); // cancels and waits
    CExportWorker(const CExportWorker&) = delete;
    CExportWorker& operator=(const CExportWorker&) = delete;

    void Start();
    // Any thread: the worker stops after the file it is copying.
    void Cancel() { cancel_.store(true); }
    // Waits for the worker to end (GUI thread).
    void Join();
    bool Finished() const { return finished_.load(); }

private:
    void run();

    QObject* mainWindow_;
    std::vector<ExportPair> pairs_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

} // namespace lumora
