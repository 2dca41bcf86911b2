// lumora-viewbench [--files N] [--seconds S] [--folder DIR]
//
// Builds a folder of N image files (symbolic links to the sample JPEGs)
// unless --folder is given, shows a thumbnail view on it and measures how long
// the GUI thread is kept from running its event loop while the engine and its
// worker load the folder and the view scrolls one row every 30 ms. Prints the
// longest stalls; the goal is none over 16 ms.
#include "engine/EngineMessages.h"
#include "thumbnails/ThumbnailCtrl.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace lumora;

namespace {

class Progress : public QObject {
public:
    bool done = false;
    int lastDone = 0;
    bool event(QEvent* e) override {
        if (auto* p = MessageCast<ThumbProgressMessage>(e)) {
            lastDone = p->done;
            if (p->done == p->total)
                done = true;
            return true;
        }
        return QObject::event(e);
    }
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    int files = 10000;
    int seconds = 20;
    QString folder;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--files"))
            files = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--seconds"))
            seconds = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--folder"))
            folder = args[i + 1];
    }
    QTemporaryDir temp;
    if (folder.isEmpty()) {
        QStringList sources;
        const QDir samples(QStringLiteral(LUMORA_BENCH_SAMPLES "/camera-jpeg"));
        for (const QString& name : samples.entryList({QStringLiteral("*.jpg")}, QDir::Files))
            sources << samples.absoluteFilePath(name);
        if (sources.isEmpty()) {
            std::fprintf(stderr, "no sample JPEGs in %s\n", qPrintable(samples.path()));
            return 1;
        }
        for (int i = 0; i < files; ++i)
            QFile::link(sources[i % sources.size()],
                        temp.filePath(QStringLiteral("img%1.jpg").arg(i, 5, 10, QLatin1Char('0'))));
        folder = temp.path();
    }

    Progress progress;
    CThumbnailCtrl view(nullptr, 0);
    view.SetMainWindow(&progress);
    view.ApplySettings(AppSettings{}, false, false);
    view.resize(1000, 800);
    view.show();
    // The window's first show and paint are not part of the measurement.
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();

    std::vector<qint64> gaps;
    qint64 worstGap = 0, worstAt = 0;
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    QTimer heartbeat;
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        gaps.push_back(now - last);
        if (now - last > worstGap) {
            worstGap = now - last;
            worstAt = now;
        }
        last = now;
    });
    QTimer scroller;
    scroller.setInterval(30);
    int direction = 1;
    QObject::connect(&scroller, &QTimer::timeout, [&] {
        QScrollBar* bar = view.verticalScrollBar();
        if (bar->value() >= bar->maximum())
            direction = -1;
        else if (bar->value() <= 0)
            direction = 1;
        bar->setValue(bar->value() + direction);
    });
    QElapsedTimer loadClock;
    qint64 loadMs = -1;
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (progress.done && loadMs < 0)
            loadMs = loadClock.elapsed();
    });
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);

    loadClock.start();
    view.LoadFolder(folder);
    heartbeat.start();
    scroller.start();
    watcher.start();
    app.exec();

    std::sort(gaps.begin(), gaps.end());
    auto ms = [](qint64 ns) { return double(ns) / 1e6; };
    const std::size_t n = gaps.size();
    const int over16 =
        int(std::count_if(gaps.begin(), gaps.end(), [](qint64 g) { return g > 16'000'000; }));
    std::printf("items %d, scanned %d, scan pass %s ms\n", view.Count(), progress.lastDone,
                loadMs < 0 ? "not finished" : QByteArray::number(loadMs).constData());
    if (n) {
        std::printf("event-loop gaps: %zu samples, median %.2f ms, p99 %.2f ms, max %.2f ms, "
                    "over 16 ms: %d\n",
                    n, ms(gaps[n / 2]), ms(gaps[n * 99 / 100]), ms(gaps.back()), over16);
        std::printf("longest: ");
        for (std::size_t i = 0; i < 5 && i < n; ++i)
            std::printf("%.2f ", ms(gaps[n - 1 - i]));
        std::printf("ms; the longest ended %.0f ms after the load began\n", ms(worstAt));
    }
    return 0;
}
