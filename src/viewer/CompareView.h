// CCompareView: two to four pictures side by side in the viewer window (two
// left and right, three or four in a two-by-two grid), each on a canvas of
// its own (CPreviewCtrl) with its own loader thread, pre-image first and the
// canvas's own cancellation: a newer picture for a canvas makes its running
// decode stale. Zoom and scroll follow the canvas the user works in (the
// same magnification and the same relative picture point) unless unlinked.
// One canvas is active (framed): Tab moves it on, Left and Right (and Up and
// Down, which never rotate here) put the next or previous picture of the
// list in it, Enter asks for it alone.
//
// Owner: the viewer frame (Qt parent). GUI thread only.
#pragma once

#include "imaging/ImageItem.h"
#include "settings/AppSettings.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QGridLayout;

namespace lumora {

class CPreviewCtrl;

class CCompareView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinPanes = 2;
    static constexpr int kMaxPanes = 4;

    explicit CCompareView(QWidget* parent = nullptr);
    ~CCompareView() override;

    // Where the pictures come from: a copy of the list's item at an index
    // (thumbnail pixels included, for the pre-image) and the list's length.
    void SetItemSource(std::function<bool(int index, ImageItem& out)> copyItem,
                       std::function<int()> count);
    // Shows the items at these list indices (2 to 4 of them; more are cut
    // off, fewer than two show nothing and return false). Every canvas
    // starts fitted; the first is active. Canvases no longer used drop
    // their requests.
    bool ShowItems(const std::vector<int>& indices);
    // Drops every picture and request (the viewer shows one picture again).
    void Clear();
    void ApplySettings(const AppSettings& settings);
    void SetSmartRendering(bool on);
    void SetShowPreimage(bool on);

    // Zoom and scroll followed across canvases (on by default).
    void SetLinked(bool on);
    bool linked() const { return linked_; }

    int paneCount() const { return count_; }
    CPreviewCtrl* pane(int i) const { return panes_[static_cast<std::size_t>(i)]; }
    int activePane() const { return active_; }
    CPreviewCtrl* activeCanvas() const { return count_ ? pane(active_) : nullptr; }
    void SetActivePane(int i);
    // Tab: the next canvas (back to the first after the last).
    void NextPane(int direction = +1);
    // Left / Right: the active canvas shows the previous / next picture of
    // the list (no wrap at its ends).
    void StepActive(int direction);
    // The list index and file of the active canvas (-1 and empty: none).
    int activeIndex() const { return count_ ? indices_[static_cast<std::size_t>(active_)] : -1; }
    QString activePath() const;
    int indexOf(int pane) const { return indices_[static_cast<std::size_t>(pane)]; }

signals:
    // The active canvas changed or shows another file (rating and label
    // keys act on this file).
    void activeFileChanged(int index, const QString& path);
    // Enter: the active canvas's picture alone.
    void singleRequested(int index);
    void closeRequested();
    void fullScreenToggleRequested();
    // Status-bar texts of the active canvas.
    void paneText(int pane, const QString& text);
    // The active canvas's zoom or its fit changed (command states).
    void stateChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void arrange();
    void follow(int from);
    void showAt(int pane, int index);
    void announceActive();

    std::array<CPreviewCtrl*, kMaxPanes> panes_{};
    std::array<int, kMaxPanes> indices_{};
    QGridLayout* grid_ = nullptr;
    std::function<bool(int, ImageItem&)> copyItem_;
    std::function<int()> listCount_;
    int count_ = 0;
    int active_ = 0;
    bool linked_ = true;
    bool following_ = false; // applying one canvas's view to the others
};

} // namespace lumora
