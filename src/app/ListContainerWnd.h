// Right pane of the main window: the thumbnail view of the current tab beside
// the information panel (a splitter whose right pane keeps its width), over
// the tab strip in a 24-pixel strip at the bottom.
#pragma once

#include "controls/Divider.h"
#include "settings/AppSettings.h"

#include <QPointer>
#include <QWidget>

#include <vector>

class QTabBar;

namespace lumora {

class CThumbnailCtrl;

class CListContainerWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTabStripHeight = 24;

    // Takes InfoDividerPos and ShowExifWindow before creation. mainWindow
    // receives the views' messages.
    CListContainerWnd(QWidget* parent, int id, int infoDividerPos, bool showExifWindow,
                      QObject* mainWindow);
    ~CListContainerWnd() override;

    CThumbnailCtrl* currentView() const;
    CThumbnailCtrl* folderView() const { return folderView_; }
    int currentIndex() const;
    int viewIndexOf(const CThumbnailCtrl* view) const;
    bool folderTabCurrent() const { return currentIndex() == 0; }
    QTabBar* tabStrip() const { return tabs_; }
    CDivider* divider() const { return divider_; }

    // Shows the folder in the folder tab and makes the folder tab current.
    void ShowFolder(const QString& path);

    void ApplySettings(const AppSettings& settings, bool reload);
    const AppSettings& settings() const { return settings_; }

    void SetInfoPaneShown(bool show);
    bool infoPaneShown() const { return divider_->isPaneShown(1); }
    // The information pane's kept width, saved as InfoDividerPos.
    int infoPaneExtent() const { return divider_->GetFixedExtent(); }
    // Puts the information panel in the right pane (the previous one is deleted).
    void SetInfoPanel(QWidget* panel);
    QWidget* infoPanel() const { return infoPanel_; }
    // Shows the view's current item in the information panel whenever it
    // changes (every view of a tab is watched).
    void WatchViewInfo(CThumbnailCtrl* view);

protected:
    void resizeEvent(QResizeEvent*) override;
    void focusInEvent(QFocusEvent*) override;
    bool event(QEvent* e) override;

private:
    int id_;
    QPointer<QObject> mainWindow_;
    CDivider* divider_;
    QPointer<QWidget> infoPanel_;
    QTabBar* tabs_;
    CThumbnailCtrl* folderView_;
    std::vector<CThumbnailCtrl*> views_; // one per tab, the folder view first
    AppSettings settings_;
};

} // namespace lumora
