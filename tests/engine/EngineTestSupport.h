// Shared helpers of the engine tests: a core application for posted events,
// a receiver that records posted messages, and temporary folders of files.
#pragma once

#include "engine/EngineMessages.h"
#include "engine/ThumbnailEngine.h"
#include "engine/ThumbnailView.h"
#include "platform/PostedOrder.h"

#include <QCoreApplication>
#include <QObject>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace lumora::test {

inline QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "engine-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)instance;
    return *QCoreApplication::instance();
}

// Processes posted events until pred holds or the timeout passes.
inline bool pumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    app();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents();
        if (pred())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
    }
}

inline void pumpFor(std::chrono::milliseconds duration) {
    pumpUntil([] { return false; }, duration);
}

// One received message, its fields flattened.
struct Posted {
    int message = 0;
    int value = 0;     // count, phase or cursor index
    int tabIndex = -1; // view-count and progress messages
    int done = 0;      // progress
    int total = 0;
};

// Records every posted message it receives (on the main thread).
class RecordingReceiver : public QObject {
public:
    bool event(QEvent* event) override {
        MarkDelivered();
        if (event->type() < QEvent::User)
            return QObject::event(event);
        Posted p;
        p.message = static_cast<int>(event->type());
        if (auto* m = MessageCast<ThumbCountMessage>(event))
            p.value = m->count;
        else if (auto* m = MessageCast<ThumbPhaseMessage>(event))
            p.value = m->phase;
        else if (auto* m = MessageCast<ThumbViewCountMessage>(event)) {
            p.value = m->count;
            p.tabIndex = m->tabIndex;
        } else if (auto* m = MessageCast<ThumbProgressMessage>(event)) {
            p.done = m->done;
            p.total = m->total;
            p.tabIndex = m->tabIndex;
        } else if (auto* m = MessageCast<SetCursorMessage>(event))
            p.value = m->index;
        std::lock_guard lock(mutex);
        posted.push_back(p);
        return true;
    }
    std::vector<Posted> Of(int message) const {
        std::lock_guard lock(mutex);
        std::vector<Posted> out;
        for (const auto& p : posted)
            if (p.message == message)
                out.push_back(p);
        return out;
    }
    void Clear() {
        std::lock_guard lock(mutex);
        posted.clear();
    }
    mutable std::mutex mutex;
    std::vector<Posted> posted;
};

// A fresh folder under the temporary directory, removed at the end.
class TempFolder {
public:
    explicit TempFolder(const std::string& tag) {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("lumora-engine-" + tag + "-" + std::to_string(::getpid()) + "-" +
                 std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    // The folder with its trailing slash, as the engine takes it.
    std::string Folder() const { return path_.string() + "/"; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    void Write(const std::string& name, std::size_t size = 16) const {
        std::FILE* f = std::fopen(File(name).c_str(), "wb");
        if (!f)
            return;
        std::string bytes(size, 'x');
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace lumora::test
