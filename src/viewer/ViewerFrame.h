// CViewerFrame: the separate top-level window in which one image at a time
// is looked at: menu, tool bar with the position slider, the preview control
// as its whole client area, and a status bar of 13 panes.
//
// Owner: the main window (created hidden with it, never destroyed; closing
// only hides it). GUI thread only.
//
// The frame knows nothing of thumbnail views, worksheets or external
// applications: the application wires it to them with ViewerListSource and
// ViewerHooks. The slideshow drives it through the "slideshow interface"
// section below and learns of each displayed image from imageDisplayed().
#pragma once

#include "imaging/ImageItem.h"
#include "settings/AppSettings.h"

#include <QMainWindow>
#include <QRect>
#include <QStringList>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QStackedWidget;
class QToolBar;

namespace lumora {

class CCompareView;
class CPreviewCtrl;
class CSkipperSliderCtrl;

// Command identifiers of the viewer's menu and tool bar.
enum ViewerCommand : int {
    ID_VIEWER_DELETE = 32986,
    ID_VIEWER_CLOSE = 32776,
    ID_VIEWER_SMART_RENDERING = 32779,
    ID_VIEWER_FIT = 32780,
    ID_VIEWER_ACTUAL_SIZE = 32781,
    ID_VIEWER_ZOOM_IN = 32955,
    ID_VIEWER_ZOOM_OUT = 32958,
    ID_VIEWER_ROTATE_LEFT = 32788,
    ID_VIEWER_ROTATE_RIGHT = 32789,
    ID_VIEWER_SLIDESHOW = 36008,
    ID_VIEWER_FULL_SCREEN = 32975,
    ID_VIEWER_NEXT = 32783,
    ID_VIEWER_PREVIOUS = 32782,
    ID_VIEWER_PREIMAGE = 32952,
    ID_VIEWER_COMPARE_LINK = 32997, // zoom and scroll followed across compared pictures
    ID_VIEWER_OPEN_WITH_FIRST = 35000,
    ID_VIEWER_OPEN_WITH_LAST = 35099,
    ID_VIEWER_ADD_TO_SHEET_FIRST = 34000,
    ID_VIEWER_ADD_TO_SHEET_LAST = 34099,
};

// The list shown in the main window (the current tab's thumbnail view).
struct ViewerListSource {
    std::function<void()> next;            // the view opens its next item (comes back as ShowItem)
    std::function<void()> previous;        // likewise, the previous one
    std::function<void(int index)> openAt; // the view opens the item at index
    // A copy of the item at index (thumbnail pixels included), false when none.
    std::function<bool(int index, ImageItem& out)> copyItem;
    std::function<int()> selectedCount;
    std::function<int()> count; // items in the list
    // WM_THUMB_DELETEITEMS to the view that supplied the image: true when
    // the file was deleted. Then WM_THUMB_OPENCURRENT: openCurrent.
    std::function<bool(const QString& path)> deleteItem;
    std::function<void()> openCurrent;
};

// Placement kept in section ViewerSettings.
struct ViewerPlacement {
    int left = 0, top = 0, right = 0, bottom = 0;
    int cmd = 1; // 1 normal, 2/6/7 minimised, 3 maximised
};

// Operations that other parts of the program provide.
struct ViewerHooks {
    // Worksheet tab names for "ワークシートへ追加"; addToWorksheet(n, path) adds
    // the shown image (not the view's selection) to worksheet n (1-based).
    std::function<QStringList()> worksheetNames;
    std::function<void(int sheet, const QString& path)> addToWorksheet;
    // Opens the shown image in registered application i (0-based).
    std::function<void(int app, const QString& path)> openWith;
    // Slideshow: the toggle behind command 36008, its state and its stop.
    std::function<void()> toggleSlideshow;
    std::function<bool()> slideshowRunning;
    std::function<void()> stopSlideshow;
    // Settings the viewer changes, for the main window to store.
    std::function<void(bool)> smartRenderingChanged;
    std::function<void(bool)> showPreimageChanged;
    std::function<void(bool)> fullScreenChanged;
    // ViewerSettings placement: read when shown from hidden, written on close.
    std::function<std::optional<ViewerPlacement>()> readPlacement;
    std::function<void(const ViewerPlacement&)> writePlacement;
    // The mark keys for the shown file (0-5 rating, 6-9 labels, X reject;
    // Ctrl+Z, as nullopt, undoes the last mark): applies it and answers the
    // file's marks afterwards (nullopt: unchanged, e.g. the write failed).
    std::function<std::optional<Marks>(const QString& path, std::optional<MarkChange> change)> mark;
    // Key C: the list's selection (two to four items) side by side, as the
    // main window's "比較表示" does it.
    std::function<void()> compareSelection;
};

class CViewerFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kPaneCount = 13;

    explicit CViewerFrame(QWidget* owner = nullptr);
    ~CViewerFrame() override;

    void SetListSource(ViewerListSource source) { source_ = std::move(source); }
    void SetHooks(ViewerHooks hooks);
    const ViewerHooks& hooks() const { return hooks_; }

    // From the thumbnail view through its host (WM_THUMB_OPENVIEWER).
    void ShowItem(const ImageItem& item, int index, int count);
    // Two to four items of the list (their indices) side by side; false,
    // and nothing changes, for fewer than two. ShowItem, ShowNothing and
    // ListCleared end the comparison.
    bool ShowCompare(const std::vector<int>& indices);
    bool comparing() const;
    // The file that keys acting on "the shown picture" act on: the active
    // compared picture, else the one shown. Empty when none.
    QString activeFilePath() const;
    void ApplySettings(const AppSettings& settings);
    void SetListPosition(int index, int count);
    // The list was reset (WM_THUMB_LISTCLEARED): slider to 0, 0, neighbours dropped.
    void ListCleared();
    // The list is empty (its last image was deleted): no picture, the plain
    // title, empty panes, the slider at 0, 0, and a running slideshow stopped.
    void ShowNothing();

    // Commands: run only when enabled, also when called from code.
    bool IsCommandEnabled(int id) const;
    bool IsCommandChecked(int id) const;
    bool RunCommand(int id);
    void UpdateCommandStates();

    // ---- slideshow interface ----
    // Opens the image at index of the current list (decoded, then displayed:
    // imageDisplayed follows).
    void ShowImage(int index) {
        if (source_.openAt)
            source_.openAt(index);
    }
    bool IsFullScreen() const { return fullScreen_; }
    void SetFullScreen(bool on);
    bool GetShowPreimage() const;
    void SetShowPreimage(bool on);
    void SetFitMode(bool on);
    // Title suffix while a slideshow runs.
    void SetSlideshowRunning(bool running);
    int listIndex() const { return listIndex_; }
    int listCount() const { return listCount_; }
    // ---- end of the slideshow interface ----

    CPreviewCtrl* preview() const { return preview_; }
    CCompareView* compareView() const { return compare_; }
    // The canvas the zoom, fit and rotation commands act on.
    CPreviewCtrl* canvas() const;
    CSkipperSliderCtrl* slider() const { return slider_; }
    QToolBar* toolBar() const { return toolBar_; }
    QString paneText(int pane) const;
    bool loadingState() const { return loadingState_; }
    bool fitChecked() const { return fitChecked_; }
    QAction* action(int id) const;
    QMenu* openWithMenu() const { return openWithMenu_; }
    QMenu* addToSheetMenu() const { return addToSheetMenu_; }
    void RebuildSubmenus();

signals:
    // Each image the preview has installed (the slideshow's timer starts here).
    void imageDisplayed(int index, int count);
    // The window is closing (it is hidden, not destroyed).
    void closing();
    void fullScreenToggled(bool on);
    // activeFilePath() changed (another picture, or another active pane).
    void activeFileChanged(const QString& path);

public:
    // Runs a mark key for the file shown now, as the keys do; false when
    // nothing is shown or no mark hook is set.
    bool MarkShownFile(std::optional<MarkChange> change);
    // The marks part of the status bar.
    void SetMarks(const Marks& marks);
    QString marksText() const;

protected:
    void keyPressEvent(QKeyEvent* e) override;

    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void createMenus();
    void createToolBar();
    void createStatusBar();
    QAction* addCommand(QMenu* menu, int id, const QString& text, bool checkable);
    void setPane(int pane, const QString& text);
    void setCaptionPanes(const ImageItem& item);
    void setTitle(const QString& path);
    void showWindow();
    void applyFullScreen(bool on);
    void next();
    void previous();
    void onImageDisplayed(int index, int count);
    void onDeleteRequested(const QString& path);
    void onSliderMoved(int value);
    void onSliderReleased();
    void prefetchNeighbours();
    void createCompare();
    void endCompare();

    QStackedWidget* stack_ = nullptr;
    CCompareView* compare_ = nullptr;

    CPreviewCtrl* preview_;
    QToolBar* toolBar_ = nullptr;
    CSkipperSliderCtrl* slider_ = nullptr;
    std::array<QLabel*, kPaneCount> panes_{};
    QLabel* marksPane_ = nullptr;
    QString shownPath_;
    std::map<int, QAction*> actions_;
    QMenu* openWithMenu_ = nullptr;
    QMenu* addToSheetMenu_ = nullptr;
    ViewerListSource source_;
    ViewerHooks hooks_;
    int listIndex_ = 0;
    int listCount_ = 0;
    bool loadingState_ = false;
    bool fullScreen_ = false;
    bool fullScreenToolBar_ = true;
    bool fitChecked_ = true;
    bool smartRendering_ = false;
    bool slideshowTitle_ = false;
    QStringList externalApps_;
    QString titlePath_;
    QRect normalPlace_; // geometry before full screen
};

} // namespace lumora
