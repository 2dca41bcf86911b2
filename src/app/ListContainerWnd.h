// Right pane of the main window: the thumbnail view of the current tab beside
// the information panel (a splitter whose right pane keeps its width), over
// the tab strip in a 24-pixel strip at the bottom.
#pragma once

#include "controls/Divider.h"
#include "settings/AppSettings.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class QTabBar;

namespace lumora {

class CThumbnailCtrl;
class CWorkSheetTabStrip;

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
    QTabBar* tabStrip() const;
    CWorkSheetTabStrip* workSheetTabs() const { return tabs_; }
    CDivider* divider() const { return divider_; }

    // Loads the folder into the folder view, clears its needs-refresh mark
    // and makes the folder tab current.
    void ShowFolder(const QString& path);

    // ---- worksheets (ListContainerWorkSheets.cpp) -------------------------
    // Tab 0 is the folder tab; tabs 1.. are worksheets. GUI thread only.
    enum TabKind { kFolderTab = 0, kWorkSheetTab = 1 };
    // Creates a tab and its view (which starts its engine); a worksheet
    // without a name is named "ワークシート%d" with the counter + 1 and
    // becomes the default worksheet. Returns the tab index.
    int CreateTab(int kind, const QString& name = QString());
    void SwitchTab(int index);
    void CycleTab(int step);
    QString GetCurrentWorksheetName() const;
    void CloseCurrentWorksheet();
    void CloseAllWorksheets();
    void CloseWorksheet(int index);
    void SetDefaultWorksheet(int index);
    // index -1: the default worksheet.
    void AddSelectionTo(int index);
    // Hands files to worksheet tab `index` without copying them (paste,
    // drop); rescan when it is the current tab.
    void AddFilesTo(int index, const QStringList& paths, bool select);
    void ClearCurrentWorksheet();
    void SortCurrent(int mode);
    // Writes the current worksheet as a worksheet-list file; false when it
    // could not be written (or no worksheet is current).
    bool SaveCurrentAsList(const QString& path);
    // Reads a worksheet-list file into a new worksheet tab and shows it.
    void ReadList(const QString& path);

    // For the menus and commands.
    int tabCount() const { return int(views_.size()); }
    int worksheetCount() const { return tabCount() - 1; }
    QStringList worksheetNames() const; // tabs 1.. in tab order
    QString tabName(int index) const;
    int tabItemCount(int index) const;
    int defaultWorksheet() const { return defaultWorksheet_; } // 0: none
    int currentKind() const { return currentIndex() > 0 ? kWorkSheetTab : kFolderTab; }
    int worksheetCounter() const { return worksheetCounter_; }
    CThumbnailCtrl* view(int index) const;
    // The count shown in tab index's label (3033, 3034).
    void SetTabCount(int index, int count);
    // Message boxes go here (tests replace it); default: a QMessageBox.
    using MessageBoxHandler = std::function<void(QMessageBox::Icon, const QString&)>;
    void setMessageBoxHandler(MessageBoxHandler handler) { messageBox_ = std::move(handler); }

signals:
    // Tabs were created, closed, renamed or the default changed.
    void workSheetsChanged();
    // A view was created for a new tab (the commands attach to it).
    void viewCreated(CThumbnailCtrl* view);

public:
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
    // Worksheet messages: counts, drops on the tab strip.
    bool workSheetEvent(QEvent* e);
    void removeTab(int index);
    void adjustDefaultForClosing(int k);
    void renumberViews();
    void sendTitleCount();
    void showMessage(QMessageBox::Icon icon, const QString& text);

    int id_;
    QPointer<QObject> mainWindow_;
    CDivider* divider_;
    QPointer<QWidget> infoPanel_;
    CWorkSheetTabStrip* tabs_;
    CThumbnailCtrl* folderView_;
    std::vector<CThumbnailCtrl*> views_; // one per tab, the folder view first
    std::vector<bool> needsRefresh_;     // per tab
    int current_ = -1;
    int defaultWorksheet_ = 0;
    int worksheetCounter_ = 0;
    bool settingsGiven_ = false;
    MessageBoxHandler messageBox_;
    AppSettings settings_;
};

} // namespace lumora
