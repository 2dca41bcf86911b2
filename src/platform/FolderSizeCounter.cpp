#include "platform/FolderSizeCounter.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMetaObject>

namespace lumora {

FolderTotals countFolderTotals(const QStringList& paths, const std::atomic<bool>& stop,
                               const std::function<void(const FolderTotals&)>& report) {
    FolderTotals totals;
    QElapsedTimer clock;
    clock.start();
    auto add = [&](const QFileInfo& info) {
        if (info.isSymLink())
            totals.files += 1;
        else if (info.isDir())
            totals.folders += 1;
        else {
            totals.files += 1;
            totals.bytes += info.size();
        }
    };
    for (const QString& path : paths) {
        const QFileInfo top(path);
        if (!top.isDir() || top.isSymLink()) {
            if (top.exists() || top.isSymLink()) {
                totals.files += 1;
                if (!top.isSymLink())
                    totals.bytes += top.size();
            }
            continue;
        }
        // Subdirectories are walked without following links.
        QDirIterator it(path, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            if (stop.load(std::memory_order_relaxed))
                return totals;
            it.next();
            add(it.fileInfo());
            if (report && clock.elapsed() >= 100) {
                report(totals);
                clock.restart();
            }
        }
    }
    return totals;
}

CFolderSizeCounter::CFolderSizeCounter(QObject* parent) : QObject(parent) {}

CFolderSizeCounter::~CFolderSizeCounter() {
    stop();
}

void CFolderSizeCounter::stop() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

void CFolderSizeCounter::start(const QStringList& paths) {
    stop();
    stop_ = false;
    thread_ = std::thread([this, paths] {
        auto post = [this](const FolderTotals& t, bool last) {
            QMetaObject::invokeMethod(
                this,
                [this, t, last] {
                    if (last)
                        emit finished(t.bytes, t.files, t.folders);
                    else
                        emit progress(t.bytes, t.files, t.folders);
                },
                Qt::QueuedConnection);
        };
        const FolderTotals totals =
            countFolderTotals(paths, stop_, [&](const FolderTotals& t) { post(t, false); });
        if (!stop_)
            post(totals, true);
    });
}

} // namespace lumora
