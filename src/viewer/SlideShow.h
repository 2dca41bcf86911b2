// The slideshow run: steps the viewer through the current list, one image
// per interval, with optional full screen, no pre-images, background music
// and closing the viewer at the end.
//
// Owner: the list host of the main window (it holds the run state: the
// running flag, the saved full-screen and pre-image states, the last
// displayed position and the music). GUI thread only.
//
// The run talks to the viewer and to the list through SlideShowViewer and
// SlideShowList, so it does not depend on their classes:
//   Start  saves the viewer's full-screen and pre-image states, fits, turns
//          full screen on / pre-images off as asked, shows the current item,
//          starts the music, opens the start item (0 or the current index),
//          and sets the title suffix.
//   ImageDisplayed(index, count)  (each image the preview installed): before
//          the last image, (re)starts the interval timer; the last one stops
//          the run at once, or with AutoClose after its interval (so it is
//          seen before the viewer closes).
//   Timer  opens the item after the last displayed one; after the last one
//          it stops the run.
//   Stop   timer off, title plain, states restored, music closed, viewer
//          closed when AutoClose. Called on Run again, when the viewer
//          closes, on a click into the preview and when the list changes.
#pragma once

#include "settings/AppSettings.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QTimer;
class QWidget;

namespace lumora {

class CBgmPlayer;

struct SlideShowViewer {
    std::function<bool()> isFullScreen;
    std::function<void(bool)> setFullScreen;
    std::function<bool()> showPreimage;
    std::function<void(bool)> setShowPreimage;
    std::function<void(bool)> setFitMode;
    std::function<void(bool)> setRunningTitle; // " ** スライドショー実行中 **"
    std::function<void()> close;               // WM_CLOSE: the viewer hides
};

struct SlideShowList {
    std::function<int()> currentIndex; // the thumbnail view's cursor, -1 for none
    std::function<int()> count;        // items in the list
    std::function<void()> showCurrent; // the current item in the viewer
    std::function<void(int)> openAt;   // the view opens the item at index
};

class CSlideShow : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimerId = 1010;

    explicit CSlideShow(QObject* parent = nullptr);
    ~CSlideShow() override;

    void SetViewer(SlideShowViewer viewer) { viewer_ = std::move(viewer); }
    void SetList(SlideShowList list) { list_ = std::move(list); }
    // The options and NoSlideShowDlg (ApplySettings).
    void ApplySettings(const AppSettings& settings);
    const SlideShowSettings& Options() const { return options_; }

    // Command 36008 / 36011: stops a run, otherwise starts one, with the
    // options dialog over `dialogParent` unless NoSlideShowDlg. Returns true
    // when a run started.
    bool ToggleSlideshow(QWidget* dialogParent);
    // Nothing starts on an empty list.
    void Start();
    void StopSlideshow();
    void ImageDisplayed(int index, int count);
    bool IsRunning() const { return running_; }

    bool timerActive() const;
    int timerInterval() const;
    // The interval timer's tick (public for tests that do not wait).
    void onTimer();
    CBgmPlayer* music() const { return music_; }
    bool musicPlaying() const { return musicPlaying_; }

signals:
    // The dialog confirmed new options; the main window stores them.
    void optionsChanged(const SlideShowSettings& options);
    void runningChanged(bool running);

private:
    bool listEmpty() const;

    SlideShowViewer viewer_;
    SlideShowList list_;
    SlideShowSettings options_;
    bool noDialog_ = false;
    bool running_ = false;
    bool savedFullScreen_ = false;
    bool savedShowPreimage_ = true;
    int lastIndex_ = 0;
    int lastCount_ = 0;
    bool musicPlaying_ = false;
    QTimer* timer_;
    CBgmPlayer* music_;
};

} // namespace lumora
