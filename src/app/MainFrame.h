// The main window: owns the settings record, places itself from
// FrameSettings, and writes the last folder, its placement and every setting
// when it closes.
//
// Start-up (driven by CLumoraApp, in this order):
//   CMainFrame frame(settingsPath);
//   frame.setCreateDefaultWorkSheet(...);   // "new" on the command line
//   frame.create();                         // LoadSettings, builds the panes
//   frame.placeFromSettings();              // FrameSettings: move, show
//   frame.setReadyForFolderDisplay();       // loads the folder chosen during create()
//   frame.readWorkSheetListFile(file);      // "open" on the command line
//   frame.markRunning();                    // second instances may hand over now
//
// Closing (closeEvent) writes, in one atomic update of the settings file:
// BinPath (the folder tree's selected folder), FrameSettings, then
// SaveSettings.
//
// Three providers connect the window to its panes; create() sets them:
// - setSelectedFolderProvider(): the folder tree's selected path, stored as
//   BinPath at exit. lastFolderFromSettings() gives the stored one back.
// - setWorkSheetListReader(): reads a worksheet-list file (command line and
//   hand-over from a second instance).
// - setLiveValuesProvider(): divider positions and mini-preview state that
//   SaveSettings takes live instead of from the record.
//
// Screenshot hook (`lumora --screenshot FILE.png`): the shot is taken once
// start-up is complete (markRunning) AND no start-up work is pending. Code
// that loads something the shot should show (the first folder load) calls
// beginStartupWork() when it starts and endStartupWork() when it is done
// (the first folder load is done once the shown view is no longer busy);
// whenIdleForScreenshot(fn) runs fn once both hold (at the latest after
// kScreenshotTimeoutMs, so a load that never ends cannot hang the shot).
#pragma once

#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QCloseEvent;
class QComboBox;
class QLabel;
class QToolBar;

namespace lumora {

class CDivider;
class CExportWorker;
class CDisplayColours;
class CFileProgressDlg;
class CListContainerWnd;
class CMainCommands;
class CTextProgressCtrl;
class CThumbnailCtrl;
class CShellTreeCtrl;
class CTreeContainerWnd;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kScreenshotTimeoutMs = 30000;
    static constexpr int kScreenshotPollMs = 50;
    // Qt property set to 1 once start-up is complete.
    static constexpr const char* kReadyProperty = "LumoraMainWindow";

    explicit CMainFrame(QString settingsPath, QWidget* parent = nullptr);
    ~CMainFrame() override;

    const QString& settingsPath() const { return settingsPath_; }
    AppSettings& settings() { return settings_; }
    const AppSettings& settings() const { return settings_; }

    void setCreateDefaultWorkSheet(bool create) { createDefaultWorkSheet_ = create; }
    bool createDefaultWorkSheet() const { return createDefaultWorkSheet_; }

    // Builds the window: reads every setting, then the panes.
    void create();
    // Reads the settings file into the record (screen resolution from the
    // primary screen) / writes the record to it.
    void LoadSettings();
    void SaveSettings();

    // The rectangle and show command of the window now: the normal-position
    // rectangle and 1, 2 or 3.
    FrameSettings placement() const;
    // Moves the window to `frame` and shows it with its show command
    // (1 normal, 2/6/7 minimised, 3 maximised; other values show it normally).
    void applyPlacement(const FrameSettings& frame);
    // Reads FrameSettings (defaults: the window's current rectangle, cmd 1)
    // and applies them.
    void placeFromSettings();

    void setReadyForFolderDisplay();
    bool readyForFolderDisplay() const { return readyForFolderDisplay_; }

    // Reads `path` as a worksheet-list file through the list reader.
    void readWorkSheetListFile(const QString& path);
    // Opens what a command line or a second instance names: a worksheet
    // list is read, a folder shown in the folder tab, and an image file's
    // folder shown with the image selected and opened in the viewer.
    void openPath(const QString& path);
    void markRunning();
    bool isRunning() const { return running_; }

    // Closes the window as the user would, but without asking anything
    // (a termination signal): a running export is stopped.
    void closeWithoutQuestions();

    // Raises and activates the window, restoring it if minimised.
    void bringToFront();

    // "Lumora - <path>" for a folder path, "Lumora" for none.
    static QString titleFor(const QString& folderPath);
    void setFolderTitle(const QString& folderPath);

    // Folder stored as BinPath by the last run, if any.
    std::optional<QString> lastFolderFromSettings() const;

    void setSelectedFolderProvider(std::function<QString()> provider);
    void setWorkSheetListReader(std::function<void(const QString&)> reader);
    void setLiveValuesProvider(std::function<LiveSettingValues()> provider);

    void beginStartupWork();
    void endStartupWork();
    void whenIdleForScreenshot(std::function<void()> callback);
    // Saves an image of the window as PNG.
    bool saveScreenshot(const QString& pngPath);

    // ---- panes, bars and status -------------------------------------------
    CTreeContainerWnd* treeContainer() const { return treeContainer_; }
    CListContainerWnd* listContainer() const { return listContainer_; }
    CDivider* mainDivider() const { return mainDivider_; }
    QComboBox* addressBox() const { return addressBox_; }
    QToolBar* toolBar(int id) const;
    QAction* commandAction(int id) const;
    CTextProgressCtrl* progressBar() const { return progress_; }
    // Text of status pane 0..3.
    QString statusPaneText(int pane) const;
    // Pane 3 from the current tab: its count, and of how many while its
    // mark filter hides some.
    void updateCountPane();
    bool ready() const { return ready_; }
    QString currentFolderPath() const { return currentFolderPath_; }
    int focusPane() const { return focusPane_; }

    // Address box: passes a path the user typed or picked to the tree.
    void selectByPath(const QString& path);

    // The command table at run time (menus, bars, keys, hooks).
    CMainCommands& commands() const { return *commands_; }

    // ApplySettings(reload): hands the record to the list container.
    void ApplySettings(bool reload);
    // Command 32937: the settings sheet on the record; after OK the record
    // is saved and applied (rebuilding the thumbnails when the sheet says
    // so). Returns true when OK was pressed. MainFrameSettings.cpp.
    bool OnAppSetting();
    // The sheet, created on first use and reused.
    class CAppSettingDlg* appSettingDlg();
    // Runs a command when its enable rule allows it (menus, bars, keys).
    bool runCommand(int id);
    bool commandEnabled(int id) const;
    void updateCommandStates();

    // ---- worksheets and export (MainFrameWorkSheets.cpp) ------------------
    // Gives the command table the list container's worksheet operations,
    // the list files and the export, and every view for its context menu.
    void plugWorkSheetCommands();
    // Command 32793: the export dialog, then the copy with progress.
    void exportWorkSheet();
    // While it runs the main window is disabled; closing the window asks
    // whether to stop the copy (closeWithoutQuestions() stops it unasked).
    bool exportRunning() const { return exportWorker_ != nullptr; }
    CFileProgressDlg* exportProgress() const { return exportProgress_; }
    // The export dialog's values, kept for the next export in this run.
    QString exportFolder() const { return exportFolder_; }
    int exportMethod() const { return exportMethod_; }
    void setExportValues(const QString& folder, int method) {
        exportFolder_ = folder;
        exportMethod_ = method;
    }
    // Starts the copy to `folder` by `method` without the dialog (the
    // dialog's OK runs this). Returns false when it stopped before copying.
    bool startExport(const QString& folder, int method);
    // Questions and messages of the export go
    // here (tests answer them); default: message boxes.
    using AskHandler = std::function<bool(const QString& text)>;
    using TellHandler = std::function<void(int icon, const QString& text)>;
    void setDialogHandlers(AskHandler ask, TellHandler tell) {
        ask_ = std::move(ask);
        tell_ = std::move(tell);
    }

signals:
    // Emitted when an export has ended and the window is enabled again.
    void exportFinished();
    // Emitted after closeEvent has written the settings.
    void settingsWrittenAtExit();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    friend class CMainCommands;
    bool workSheetEvent(QEvent* e);
    void setWindowEnabledForExport(bool enabled);
    void finishExport();
    bool ask(const QString& text);
    void tell(int icon, const QString& text);
    void flushScreenshotCallbacks();
    void createPanes();
    void createBars();
    void createStatusBar();
    void createFolderTree();
    void watchVolumes();
    // Rebuilds the tree after a volume came or went, keeping the tab.
    void refreshTreeForVolumes();
    // The private messages of the panes, the views and the engine
    // (MainFrameMessages.cpp); false for any other event.
    bool handleMessage(QEvent* event);
    void onTreeSelChanged();
    void onClipboardChanged();
    void setTitleFromFolder(const QString& path);
    void setStatusPane(int pane, const QString& text);
    void fitStatusPane(int pane);

    CTreeContainerWnd* treeContainer_ = nullptr;
    CShellTreeCtrl* shellTree_ = nullptr;
    class QTimer* driveTimer_ = nullptr;
    // The image openPath() waits for in its folder's listing.
    void showPendingImage();
    QString pendingImage_;
    int pendingImageWaitedMs_ = 0;
    class QTimer* pendingImageTimer_ = nullptr;
    CListContainerWnd* listContainer_ = nullptr;
    CDivider* mainDivider_ = nullptr;
    QComboBox* addressBox_ = nullptr;
    CMainCommands* commands_ = nullptr;
    QToolBar* addressBar_ = nullptr;
    QLabel* pane_[4] = {};
    CTextProgressCtrl* progress_ = nullptr;
    std::function<QString()> treeSelectedPath_;
    std::function<bool(const QString&)> treeSelectByPath_;

    bool ready_ = false;
    bool refreshing_ = false;
    QString currentFolderPath_;
    int selectedCount_ = 0;
    int focusPane_ = 1;
    bool waitingForFirstLoad_ = false;

    QString settingsPath_;
    AppSettings settings_;
    CDisplayColours* displayColours_ = nullptr; // the monitor's profile (Qt child)
    bool createDefaultWorkSheet_ = false;
    bool readyForFolderDisplay_ = false;
    bool running_ = false;
    bool exitWritten_ = false;
    bool closeWithoutQuestions_ = false;
    int startupWork_ = 0;
    std::function<QString()> selectedFolder_;
    std::function<void(const QString&)> workSheetListReader_;
    std::function<LiveSettingValues()> liveValues_;
    std::vector<std::function<void()>> screenshotCallbacks_;
    bool screenshotPollPending_ = false; // a later look at the view's busy state is due
    bool screenshotTimedOut_ = false;

    QString exportFolder_;
    int exportMethod_ = 0;
    std::unique_ptr<CExportWorker> exportWorker_;
    CFileProgressDlg* exportProgress_ = nullptr;
    QPointer<QWidget> focusBeforeExport_;
    AskHandler ask_;
    TellHandler tell_;
};

} // namespace lumora
