// Totals of files and folders (sizes of everything inside, links not
// followed), counted on a thread of its own. Results arrive as queued
// signals on the counter's thread; destroying the counter stops the count.
#pragma once

#include <QObject>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

namespace lumora {

struct FolderTotals {
    std::int64_t bytes = 0;
    std::int64_t files = 0;
    std::int64_t folders = 0; // folders inside the given ones (not counting them)
};

// Counts synchronously; `report` (optional) gets running totals now and then;
// returns early when `stop` becomes true.
FolderTotals countFolderTotals(const QStringList& paths, const std::atomic<bool>& stop,
                               const std::function<void(const FolderTotals&)>& report = {});

class CFolderSizeCounter : public QObject {
    Q_OBJECT
public:
    explicit CFolderSizeCounter(QObject* parent = nullptr);
    ~CFolderSizeCounter() override;

    void start(const QStringList& paths);
    void stop();

signals:
    void progress(qint64 bytes, qint64 files, qint64 folders);
    void finished(qint64 bytes, qint64 files, qint64 folders);

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace lumora
