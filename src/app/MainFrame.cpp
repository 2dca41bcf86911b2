#include "app/MainFrame.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <utility>

namespace lumora {

CMainFrame::CMainFrame(QString settingsPath, QWidget* parent)
    : QMainWindow(parent), settingsPath_(std::move(settingsPath)) {
    setWindowTitle(titleFor({}));
    setCentralWidget(new QWidget(this));
    resize(1024, 720);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::create() {
    LoadSettings();
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
    readyForFolderDisplay_ = true;
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
            self->flushScreenshotCallbacks();
        }
    });
    flushScreenshotCallbacks();
}

void CMainFrame::flushScreenshotCallbacks() {
    if (!running_ || startupWork_ > 0 || screenshotCallbacks_.empty())
        return;
    // Let queued paints and posted messages run before the callbacks.
    auto callbacks = std::move(screenshotCallbacks_);
    screenshotCallbacks_.clear();
    QTimer::singleShot(0, this, [callbacks = std::move(callbacks)] {
        for (const auto& callback : callbacks)
            callback();
    });
}

bool CMainFrame::saveScreenshot(const QString& pngPath) {
    return grab().save(pngPath, "PNG");
}

void CMainFrame::closeEvent(QCloseEvent* event) {
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
