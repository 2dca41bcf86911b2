// The main window's commands at run time: one QAction per command of the
// table (shared by the menu bar and the tool bars), the accelerators, the
// dynamic menus, the enable/check states and the handlers.
//
// Owner: CMainFrame (created in CMainFrame::createBars). GUI thread only.
//
// States are computed from a CommandState snapshot when a menu opens and
// whenever something they depend on changes: the focus, the current tab,
// the selection and item counts (the views' messages to the main window),
// the clipboard, the engine's busy scan, the settings and the worksheets
// (after every command). Nothing polls.
//
// run(id) is the one way into a handler: menus, tool bars, accelerators,
// the views' context menus, the One Key and code all call it, and it drops
// the command when the enable rule disallows it at that moment.
//
// ---- Hooks for the subsystems built beside this one --------------------------
// Commands whose work belongs to another subsystem call the std::function
// hooks in CommandHooks. A command whose hooks are not all set is disabled
// (HookNeed bits in Commands.h). Plug them in once, after the main window
// is created:
//
//   CommandHooks& h = frame.commands().hooks();
//   h.worksheetNames = [list] { ... };   // and the rest of a group
//   frame.commands().updateStates();
//
// Groups (every member of a group must be set to enable its commands):
//  kNeedWorksheets (list container, worksheets):
//    worksheetNames, defaultWorksheet, createWorksheet, cycleTab,
//    closeCurrentWorksheet, closeAllWorksheets, closeWorksheet,
//    setDefaultWorksheet, addSelectionTo, clearCurrentWorksheet.
//    The confirmation questions are asked here before the hook is called;
//    after addSelectionTo(-1) the view's cursor is moved here as well.
//    Views created for new tabs must be passed to attachView().
//  kNeedListFiles: readList(path), saveCurrentAsList(path) (the file
//    dialogs are shown here).
//  kNeedExport: exportCurrentWorksheet() (its own dialogs).
//  kNeedSettingsDialog: runSettingsDialog(): shows the settings dialog and
//    on OK saves and applies the settings (reload rule included).
//  kNeedSlideShow: slideShowRunning(), toggleSlideShow().
//  kNeedCompare: compareSelection() (2 to 4 selected items side by side).
//  Optional, never disabling anything:
//    miniPreviewShown(bool) / infoPaneShown(bool): told after the pane was
//      shown or hidden (the mini preview drops and reloads its image).
//    currentWorksheetName(): for the questions (default: the tab text).
//    ask(question): answers the Yes/No questions (tests, a shared handler).
#pragma once

#include "app/Commands.h"
#include "marks/Marks.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QToolButton;

namespace lumora {

class CMainFrame;
class CThumbnailCtrl;
class COneKeyFilter;
class CMarkActions;

struct CommandHooks {
    // Worksheets (kNeedWorksheets). Tab indexes: 0 is the folder tab,
    // worksheet i of the names list is tab i + 1.
    std::function<QStringList()> worksheetNames;
    std::function<int()> defaultWorksheet; // tab index, 0 for none
    std::function<int(const QString& name)>
        createWorksheet; // empty name: numbered; current tab stays
    std::function<void(int step)> cycleTab;
    std::function<void()> closeCurrentWorksheet;
    std::function<void()> closeAllWorksheets;
    std::function<void(int tab)> closeWorksheet;
    std::function<void(int tab)> setDefaultWorksheet;
    std::function<void(int tab)> addSelectionTo; // -1: the default worksheet
    std::function<void()> clearCurrentWorksheet;
    // Worksheet-list files (kNeedListFiles).
    std::function<void(const QString& path)> readList;
    std::function<bool(const QString& path)> saveCurrentAsList;
    // Export (kNeedExport).
    std::function<void()> exportCurrentWorksheet;
    // Settings dialog (kNeedSettingsDialog).
    std::function<void()> runSettingsDialog;
    // Slideshow (kNeedSlideShow).
    std::function<bool()> slideShowRunning;
    std::function<void()> toggleSlideShow;
    // The viewer's comparison of the selected pictures (kNeedCompare).
    std::function<void()> compareSelection;
    // Optional.
    std::function<void(bool shown)> miniPreviewShown;
    std::function<void(bool shown)> infoPaneShown;
    std::function<QString()> currentWorksheetName;
    // The Yes/No questions (default: a message box over the main window).
    std::function<bool(const QString& question)> ask;
    // Warnings such as a mark that could not be written (default: a
    // message box over the main window).
    std::function<void(const QString& text)> warn;
    // Told after a file's marks changed here (a key, a menu, undo, the
    // viewer): the viewer refreshes its marks pane when it shows the file.
    std::function<void(const std::string& path, const Marks& marks)> marksChanged;

    unsigned plugged() const; // HookNeed bits whose hooks are all set
};

class CMainCommands : public QObject {
    Q_OBJECT
public:
    explicit CMainCommands(CMainFrame& frame);
    ~CMainCommands() override;

    CommandHooks& hooks() { return hooks_; }

    // Builds the menu bar, the three tool bars and the accelerators.
    void build();
    QToolBar* toolBar(int id) const;
    QAction* action(int id) const;
    QMenu* menu(int index) const; // 0..5, the menu bar's menus

    // Passes the view's context-menu commands here and gives it the
    // worksheet names and applications for its menu.
    void attachView(CThumbnailCtrl* view);

    CommandState state() const;
    bool enabled(int id) const { return isCommandEnabled(id, state()); }
    // Runs the command when its enable rule allows it now.
    bool run(int id);
    // Recomputes every action's enabled and checked state now / soon (once
    // for a burst of changes).
    void updateStates();
    void scheduleUpdate();
    // Fills the dynamic menus (as when the menu bar opens).
    void initMenus();

    // The application list's menu names (file names), or the grey
    // placeholder when empty.
    static QStringList applicationMenuNames(const QStringList& apps);
    static QString customSizeText(int horz, int vert);

    // ---- handlers (named in the command table) ----
    void onNewFolder(int id);
    void onDelete(int id);
    void onProperties(int id);
    void onSettings(int id);
    void onExit(int id);
    void onCutCopy(int id);
    void onPaste(int id);
    void onSelectAll(int id);
    void onInvertSelection(int id);
    void onPreview(int id);
    void onCompare(int id);
    void onAddToDefaultWorksheet(int id);
    void onAddToWorksheet(int id);
    void onOpenWithApplication(int id);
    void onNewWorksheet(int id);
    void onReadList(int id);
    void onSetDefaultWorksheet(int id);
    void onClearWorksheet(int id);
    void onCloseCurrentWorksheet(int id);
    void onCloseAllWorksheets(int id);
    void onCloseWorksheet(int id);
    void onSaveList(int id);
    void onExportWorksheet(int id);
    void onSort(int id);
    void onToggleFileType(int id);
    void onThumbnailSize(int id);
    void onShowFileName(int id);
    void onShowGuide(int id);
    void onShowMiniPreview(int id);
    void onShowInfoWindow(int id);
    void onHistogramMode(int id);
    void onSizeLimiter(int id);
    void onSlideShow(int id);
    void onRefresh(int id);
    void onHomePage(int id);
    void onAbout(int id);
    void onSwitchPane(int id);
    void onCycleTab(int id);
    void onMark(int id);     // MarkCommands.cpp
    void onUndoMark(int id); // MarkCommands.cpp
    void onMarkFilter(int id); // MarkCommands.cpp

    // The marks the user sets, and their undo (MarkCommands.cpp). The
    // viewer applies its keys here for the file it shows.
    CMarkActions& markActions();
    // Shows only the items of view that pass filter (the cursor kept in
    // range, the view and the counts redrawn); the filter stays with the
    // view's list when its folder is loaded again.
    void applyMarkFilter(CThumbnailCtrl* view, const MarkFilter& filter);
    // After a folder's listing or its scan (marks read since): every tab
    // whose list keeps a filter applies it again to what came in.
    void reapplyMarkFilters();
    // The main tool bar's drop-down of the filter entries.
    QToolButton* filterButton() const { return filterButton_; }
    // Shows a failed mark's message (the warn hook, else a message box).
    void warnMarks(const QStringList& failures);

    // The view's own commands (its context menu and keys).
    void onViewCommand(CThumbnailCtrl* view, int id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* makeAction(int id);
    void buildMenu(QMenu* menu, std::span<const MenuNode> nodes);
    void fillRangeMenu(QMenu* menu, int first, const QStringList& names, const QString& empty,
                       int keep);
    FocusTarget focusTarget() const;
    CThumbnailCtrl* view() const;
    QStringList worksheetNames() const;
    QString currentWorksheetName() const;
    bool ask(const QString& question) const;
    void afterSettingsChange(bool reload);

    CMainFrame& frame_;
    CommandHooks hooks_;
    std::map<int, QAction*> actions_;
    std::vector<QMenu*> menus_;
    QMenu* addToMenu_ = nullptr;
    QMenu* openWithMenu_ = nullptr;
    QMenu* defaultMenu_ = nullptr;
    QMenu* closeMenu_ = nullptr;
    QMenu* sizeMenu_ = nullptr;
    std::map<int, QToolBar*> bars_;
    bool clipboardHasFiles_ = false;
    bool updatePending_ = false;
    COneKeyFilter* oneKey_ = nullptr;
    std::unique_ptr<CMarkActions> marks_;
    QToolButton* filterButton_ = nullptr;
    std::span<const MenuNode> filterNodes_;
};

} // namespace lumora
