#include "thumbnails/WorkSheetExport.h"

#include "platform/DurableFile.h"

#include <cerrno>
#include <filesystem>

namespace lumora {

ExportCopyResult CopyFileForExport(const std::string& source, const std::string& destination,
                                   ExportTempFile method, int* error) {
    DurableCopyOptions options;
    options.temp = method == ExportTempFile::Unnamed ? DurableTemp::Unnamed : DurableTemp::Named;
    const DurableResult r = CopyFileDurably(source, destination, options);
    if (error)
        *error = r.error;
    if (!r)
        return ExportCopyResult::Failed;
    return r.sameFile ? ExportCopyResult::SameFile : ExportCopyResult::Copied;
}

std::optional<std::string> WorkSheetFolderName(std::string_view worksheetName) {
    if (worksheetName.empty() || worksheetName == "." || worksheetName == "..")
        return std::nullopt;
    std::string out;
    out.reserve(worksheetName.size() + 8);
    for (const char c : worksheetName) {
        if (c == '/')
            out += "\xEF\xBC\x8F"; // U+FF0F FULLWIDTH SOLIDUS
        else if (c == '\0')
            return std::nullopt;
        else
            out += c;
    }
    return out;
}

std::string ExportDestination(std::string_view destinationFolder, std::string_view fileName) {
    std::string out(destinationFolder);
    if (out.empty() || out.back() != '/')
        out += '/';
    out += fileName;
    return out;
}

bool CreateFolderAllLevels(const std::string& folder) {
    if (folder.empty() || folder.find('\0') != std::string::npos)
        return false;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

CExportWorker::CExportWorker(QObject* mainWindow, std::vector<ExportPair> pairs)
    : mainWindow_(mainWindow), pairs_(std::move(pairs)) {}

CExportWorker::~CExportWorker() {
    Cancel();
    Join();
}

void CExportWorker::Start() {
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
}

void CExportWorker::Join() {
    if (thread_.joinable())
        thread_.join();
}

void CExportWorker::run() {
    const int total = static_cast<int>(pairs_.size());
    int copied = 0, skipped = 0, failed = 0;
    bool cancelled = false;
    int stopError = 0;
    std::string stopFile;
    for (int i = 0; i < total; ++i) {
        if (cancel_.load()) {
            cancelled = true;
            break;
        }
        const ExportPair& pair = pairs_[std::size_t(i)];
        PostNew<ExportProgressMessage>(mainWindow_, i + 1, total);
        PostNew<ExportFileMessage>(mainWindow_, QString::fromStdString(pair.destination));
        int error = 0;
        switch (CopyFileForExport(pair.source, pair.destination, ExportTempFile::Unnamed, &error)) {
        case ExportCopyResult::Copied:
            ++copied;
            break;
        case ExportCopyResult::SameFile:
            ++skipped;
            break;
        case ExportCopyResult::Failed:
            ++failed;
            break;
        }
        // A full disk, a read-only or vanished destination fails every file
        // after this one too: stop, and say why.
        if (error == ENOSPC || error == EDQUOT || error == EROFS || error == EIO ||
            ((error == ENOENT || error == ENOTDIR || error == EACCES) &&
             !std::filesystem::is_directory(FolderOfPath(pair.destination)))) {
            stopError = error;
            stopFile = pair.destination;
            break;
        }
    }
    finished_.store(true);
    auto done = std::make_unique<ExportDoneMessage>(copied, skipped, failed, cancelled);
    done->stopError = stopError;
    done->stopFile = QString::fromStdString(stopFile);
    Post(mainWindow_, std::move(done));
}

} // namespace lumora
