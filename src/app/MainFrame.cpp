#include "app/MainFrame.h"

#include "app/DisplayColours.h"
#include "app/ListContainerWnd.h"
#include "app/MainCommands.h"
#include "app/SlideShowLink.h"
#include "app/StatusTexts.h"
#include "app/TreeContainerWnd.h"
#include "app/ViewerLink.h"
#include "controls/Divider.h"
#include "controls/TextProgressCtrl.h"
#include "engine/ThumbnailEngine.h"
#include "foldertree/BrowseCombo.h"
#include "foldertree/ShellTreeCtrl.h"
#include "platform/ClipboardFiles.h"
#include "platform/VolumeWatcher.h"
#include "resources/ToolIcons.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/WorkSheetExport.h"
#include "viewer/MiniPreviewCtrl.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <utility>

namespace lumora {

CMainFrame::CMainFrame(QString settingsPath, QWidget* parent)
    : QMainWindow(parent), settingsPath_(std::move(settingsPath)) {
    setWindowTitle(titleFor({}));
    resize(1024, 720);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::create() {
    // Settings first: every pane is built from them.
    LoadSettings();
    setWindowIcon(applicationIcon());
    createPanes();
    createBars();
    createStatusBar();
    new CViewerLink(this); // the hidden viewer window
    new CSlideShowLink(this, CViewerLink::Of(this)->viewer());
    // The display profile is known before the first picture is loaded.
    displayColours_ = new CDisplayColours(this);
    ApplySettings(false);

    // The main divider fills the client area between the bars: the tree
    // container keeps its width, the list container takes the rest.
    mainDivider_ = new CDivider(nullptr, 59648, 3, settings_.MainDividerPos, 0, 60);
    mainDivider_->SetPane(0, treeContainer_);
    mainDivider_->SetPane(1, listContainer_);
    setCentralWidget(mainDivider_);
    mainDivider_->Layout();

    ready_ = true;

    // The last folder, or on the very first run the demo folder beside the
    // build, is selected in the tree; it is loaded once folder display is on.
    std::optional<QString> last = lastFolderFromSettings();
    if (!last && !QFileInfo::exists(settingsPath_)) {
        const QString demo =
            QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../demo"));
        if (QFileInfo(demo).isDir())
            last = demo;
    }
    if (last && !last->isEmpty())
        selectByPath(*last);

    if (QClipboard* cb = QGuiApplication::clipboard())
        connect(cb, &QClipboard::dataChanged, this, &CMainFrame::onClipboardChanged);

    setLiveValuesProvider([this] {
        LiveSettingValues live;
        live.MainDividerPos = mainDivider_->GetPosition();
        live.InfoDividerPos = listContainer_->infoPaneExtent();
        live.MiniPreviewDividerPos = treeContainer_->miniPreviewExtent();
        live.ShowMiniPreview = treeContainer_->miniPreviewShown() ? 1 : 0;
        return live;
    });
    setSelectedFolderProvider([this] {
        // The tree names virtual nodes by a stable name.
        const QString tree = shellTree_ ? shellTree_->GetSelectedIdList() : QString();
        return tree.isEmpty() ? currentFolderPath_ : tree;
    });
    plugWorkSheetCommands();
    watchVolumes();
}

void CMainFrame::createPanes() {
    createFolderTree();
    treeContainer_ = new CTreeContainerWnd(this, 59648, shellTree_, settings_.MiniPreviewDividerPos,
                                           settings_.ShowMiniPreview != 0);
    listContainer_ = new CListContainerWnd(this, 59649, settings_.InfoDividerPos,
                                           settings_.ShowExifWindow != 0, this);
    // A first start without a file on the command line has one worksheet.
    if (createDefaultWorkSheet_)
        listContainer_->CreateTab(CListContainerWnd::kWorkSheetTab);
}

void CMainFrame::createFolderTree() {
    // The shell folder tree (control 1001), the tree container's upper pane.
    shellTree_ = new CShellTreeCtrl;
    shellTree_->setObjectName(QStringLiteral("FolderTree"));
    shellTree_->SetMainWindow(this);
    CShellTreeCtrl* tree = shellTree_;
    treeSelectedPath_ = [tree] { return tree->GetSelectedPath(); };
    treeSelectByPath_ = [tree](const QString& path) {
        const QString before = tree->GetSelectedIdList();
        tree->SelectByPath(path);
        return tree->GetSelectedIdList() != before;
    };
}

void CMainFrame::watchVolumes() {
    // Volumes coming and going refresh the tree: an arrival one second
    // later (timer 2000), a removal at once.
    auto* watcher = new CVolumeWatcher(this);
    driveTimer_ = new QTimer(this);
    driveTimer_->setSingleShot(true);
    driveTimer_->setInterval(1000);
    connect(driveTimer_, &QTimer::timeout, this, &CMainFrame::refreshTreeForVolumes);
    connect(watcher, &CVolumeWatcher::volumeArrived, this, [this] {
        if (settings_.AutoDriveDetect == 1 && !driveTimer_->isActive())
            driveTimer_->start();
    });
    connect(watcher, &CVolumeWatcher::volumeRemoved, this, [this] {
        if (settings_.AutoDriveDetect == 1)
            refreshTreeForVolumes();
    });
    watcher->start();
}

void CMainFrame::refreshTreeForVolumes() {
    if (!shellTree_)
        return;
    // The tree selects its folder again after rebuilding; that is no visit
    // of the user's, so neither does the folder view reload nor does the
    // folder tab become current (as with the refresh command).
    refreshing_ = true;
    shellTree_->Refresh();
    refreshing_ = false;
}

void CMainFrame::selectByPath(const QString& path) {
    // The tree parses the text itself ("~", virtual nodes' names, case).
    const QString text = path.trimmed();
    if (text.isEmpty())
        return;
    if (treeSelectByPath_)
        treeSelectByPath_(text);
}

void CMainFrame::ApplySettings(bool reload) {
    if (displayColours_)
        displayColours_->SetProfileFile(settings_.DisplayProfile);
    if (listContainer_)
        listContainer_->ApplySettings(settings_, reload);
    if (CViewerLink* viewer = CViewerLink::Of(this))
        viewer->ApplySettings(settings_);
    if (CSlideShowLink* slideShow = CSlideShowLink::Of(this))
        slideShow->ApplySettings(settings_);
    if (commands_)
        commands_->scheduleUpdate();
}

void CMainFrame::onTreeSelChanged() {
    if (!ready_)
        return;
    const QString path = treeSelectedPath_ ? treeSelectedPath_() : QString();
    if (listContainer_->folderTabCurrent())
        setTitleFromFolder(path);
    currentFolderPath_ = path;
    if (readyForFolderDisplay_ && !refreshing_) {
        // The tree may report the folder that is already shown once more.
        const QString shown = listContainer_->folderView()->folder();
        if (!listContainer_->folderTabCurrent() ||
            QDir::cleanPath(shown) != QDir::cleanPath(path) || shown.isEmpty())
            listContainer_->ShowFolder(path);
    }
}

void CMainFrame::setTitleFromFolder(const QString& path) {
    setFolderTitle(path);
    auto* box = qobject_cast<CBrowseCombo*>(addressBox_);
    if (!box || path.isEmpty())
        return;
    // The folders visited, newest first; an earlier visit stays listed.
    // The folder already on top is not added again.
    if (box->count() > 0 && box->itemText(0) == path) {
        box->setCurrentIndex(0);
        box->setEditText(path);
        return;
    }
    int icon = kIconFolder;
    if (!shellTree_ || shellTree_->GetSelectedPath(&icon) != path)
        icon = kIconFolder;
    box->AddPath(path, icon);
}

bool CMainFrame::event(QEvent* e) {
    if (handleMessage(e))
        return true;
    if (e->type() == QEvent::FocusIn) {
        if (focusPane_ == 1)
            listContainer_->setFocus();
        else if (treeContainer_->tree())
            treeContainer_->tree()->setFocus();
    }
    return QMainWindow::event(e);
}

void CMainFrame::LoadSettings() {
    int dpiY = kDefaultScreenDpiY;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        dpiY = static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
    loadSettingsFile(settingsPath_, settings_, dpiY);
}

void CMainFrame::SaveSettings() {
    const LiveSettingValues live = liveValues_ ? liveValues_() : LiveSettingValues{};
    saveSettingsFile(settingsPath_, settings_, live);
}

FrameSettings CMainFrame::placement() const {
    const QRect normal =
        isMaximized() || isMinimized() || isFullScreen() ? normalGeometry() : geometry();
    FrameSettings f;
    f.left = normal.left();
    f.top = normal.top();
    f.right = normal.left() + normal.width();
    f.bottom = normal.top() + normal.height();
    if (isMinimized())
        f.cmd = SW_SHOWMINIMIZED;
    else if (isMaximized())
        f.cmd = SW_SHOWMAXIMIZED;
    else
        f.cmd = SW_SHOWNORMAL;
    return f;
}

void CMainFrame::applyPlacement(const FrameSettings& frame) {
    const long long width = static_cast<long long>(frame.right) - frame.left;
    const long long height = static_cast<long long>(frame.bottom) - frame.top;
    // A saved rectangle without area would give an unusable window; keep
    // the size the window was created with and take only the position.
    if (width > 0 && height > 0 && width < 100000 && height < 100000)
        setGeometry(frame.left, frame.top, static_cast<int>(width), static_cast<int>(height));
    else
        move(frame.left, frame.top);
    switch (frame.cmd) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
        showMinimized();
        break;
    case SW_SHOWMAXIMIZED:
        showMaximized();
        break;
    default:
        // A stored 0 (hidden) would leave a window no one can reach.
        showNormal();
        break;
    }
}

void CMainFrame::placeFromSettings() {
    const QRect now = geometry();
    const FrameSettings created{now.left(), now.top(), now.left() + now.width(),
                                now.top() + now.height(), SW_SHOWNORMAL};
    CIniFile ini;
    ini.load(settingsPath_);
    applyPlacement(readFrameSettings(ini, created));
}

void CMainFrame::setReadyForFolderDisplay() {
    if (readyForFolderDisplay_)
        return;
    readyForFolderDisplay_ = true;
    // The folder selected during creation is loaded now.
    const QString path = treeSelectedPath_ ? treeSelectedPath_() : currentFolderPath_;
    if (!path.isEmpty() && listContainer_) {
        currentFolderPath_ = path;
        setTitleFromFolder(path);
        beginStartupWork();
        waitingForFirstLoad_ = true;
        listContainer_->ShowFolder(path);
    }
}

void CMainFrame::readWorkSheetListFile(const QString& path) {
    if (workSheetListReader_ && !path.isEmpty())
        workSheetListReader_(path);
}

void CMainFrame::markRunning() {
    running_ = true;
    setProperty(kReadyProperty, 1);
    flushScreenshotCallbacks();
}

void CMainFrame::bringToFront() {
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

QString CMainFrame::titleFor(const QString& folderPath) {
    if (folderPath.isEmpty())
        return QStringLiteral("Lumora");
    return QStringLiteral("Lumora - %1").arg(folderPath);
}

void CMainFrame::setFolderTitle(const QString& folderPath) {
    setWindowTitle(titleFor(folderPath));
}

std::optional<QString> CMainFrame::lastFolderFromSettings() const {
    CIniFile ini;
    ini.load(settingsPath_);
    return readBinPath(ini);
}

void CMainFrame::setSelectedFolderProvider(std::function<QString()> provider) {
    selectedFolder_ = std::move(provider);
}

void CMainFrame::setWorkSheetListReader(std::function<void(const QString&)> reader) {
    workSheetListReader_ = std::move(reader);
}

void CMainFrame::setLiveValuesProvider(std::function<LiveSettingValues()> provider) {
    liveValues_ = std::move(provider);
}

void CMainFrame::beginStartupWork() {
    ++startupWork_;
}

void CMainFrame::endStartupWork() {
    if (startupWork_ > 0)
        --startupWork_;
    flushScreenshotCallbacks();
}

void CMainFrame::whenIdleForScreenshot(std::function<void()> callback) {
    screenshotCallbacks_.push_back(std::move(callback));
    QPointer<CMainFrame> self(this);
    QTimer::singleShot(kScreenshotTimeoutMs, this, [self] {
        if (self) {
            self->startupWork_ = 0;
            self->screenshotTimedOut_ = true;
            self->flushScreenshotCallbacks();
        }
    });
    flushScreenshotCallbacks();
}

void CMainFrame::flushScreenshotCallbacks() {
    if (!running_ || screenshotCallbacks_.empty())
        return;
    // The first load has listed its items, but thumbnails made from whole
    // files on the decode pool may still be coming: the view stays busy
    // until they are drawn. A load that scans nothing (no file with
    // shooting information) sends no closing progress; its view's busy
    // state ending is its end as well.
    CThumbnailCtrl* view = listContainer_ ? listContainer_->currentView() : nullptr;
    const bool busy = view && view->IsBusy();
    if (waitingForFirstLoad_ && !busy) {
        waitingForFirstLoad_ = false;
        if (startupWork_ > 0)
            --startupWork_;
    }
    if ((busy || startupWork_ > 0) && !screenshotTimedOut_) {
        if (!screenshotPollPending_) {
            screenshotPollPending_ = true;
            QTimer::singleShot(kScreenshotPollMs, this, [this] {
                screenshotPollPending_ = false;
                flushScreenshotCallbacks();
            });
        }
        return;
    }
    // Let queued paints and posted messages run before the callbacks.
    auto callbacks = std::move(screenshotCallbacks_);
    screenshotCallbacks_.clear();
    QTimer::singleShot(0, this, [callbacks = std::move(callbacks)] {
        for (const auto& callback : callbacks)
            callback();
    });
}

bool CMainFrame::saveScreenshot(const QString& pngPath) {
    // The mini preview decodes in the background; the picture shows it done.
    if (auto* mini = treeContainer_ ? qobject_cast<CMiniPreviewCtrl*>(treeContainer_->miniPreview())
                                    : nullptr)
        mini->WaitUntilIdle(5000);
    return grab().save(pngPath, "PNG");
}

void CMainFrame::closeWithoutQuestions() {
    closeWithoutQuestions_ = true;
    close();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The window is disabled while an export copies, but the window manager
    // still offers to close it: the user decides whether the copy stops.
    if (exportWorker_) {
        if (!closeWithoutQuestions_ &&
            !ask(QStringLiteral(
                "ワークシートの書き出し中です。\n書き出しを中止して終了しますか？"))) {
            event->ignore();
            return;
        }
        // The copy may have ended while the question was open.
        if (exportWorker_) {
            exportWorker_->Cancel(); // stops after the file being copied
            finishExport();
        }
    }
    if (!exitWritten_) {
        exitWritten_ = true;
        const QString folder = selectedFolder_ ? selectedFolder_() : QString();
        const FrameSettings frame = placement();
        const LiveSettingValues live = liveValues_ ? liveValues_() : LiveSettingValues{};
        updateSettingsFile(settingsPath_, [&](CIniFile& ini) {
            if (!folder.isEmpty())
                writeBinPath(ini, folder);
            writeFrameSettings(ini, frame);
            lumora::SaveSettings(ini, settings_, live);
        });
        emit settingsWrittenAtExit();
    }
    event->accept();
}

} // namespace lumora
