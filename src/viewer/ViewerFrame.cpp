#include "viewer/ViewerFrame.h"

#include "controls/SkipperSliderCtrl.h"
#include "viewer/CompareView.h"
#include "viewer/PixelPool.h"
#include "viewer/PreviewCtrl.h"
#include "viewer/ViewerIcons.h"
#include "viewer/ViewerMessages.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <chrono>

namespace lumora {

namespace {

const QString kTitle = QStringLiteral("Lumora - ビューア");
const QString kLoading = QStringLiteral("画像を読み込んでいます...");
const QString kDisplayed = QStringLiteral("画像が表示されました");
const QString kSlideshowSuffix = QStringLiteral(" ** スライドショー実行中 **");

constexpr int kPaneWidths[CViewerFrame::kPaneCount] = {0,  45, 45, 45, 45, 45, 45,
                                                       20, 75, 70, 65, 60, 60};

// Status-bar prompts of the commands, shown while the pointer is on their
// menu item or button.
QString commandPrompt(int id) {
    switch (id) {
    case ID_VIEWER_DELETE:
        return QStringLiteral("表示中の画像ファイルを削除");
    case ID_VIEWER_CLOSE:
        return QStringLiteral("ビューアウインドウを閉じる");
    case ID_VIEWER_SMART_RENDERING:
        return QStringLiteral("縮小表示を滑らかに描画");
    case ID_VIEWER_FIT:
        return QStringLiteral("画像をウインドウに合わせて表示");
    case ID_VIEWER_ACTUAL_SIZE:
        return QStringLiteral("画像を等倍で表示");
    case ID_VIEWER_ZOOM_IN:
        return QStringLiteral("画像を拡大表示");
    case ID_VIEWER_ZOOM_OUT:
        return QStringLiteral("画像を縮小表示");
    case ID_VIEWER_ROTATE_LEFT:
        return QStringLiteral("画像を反時計回りに90度回転");
    case ID_VIEWER_ROTATE_RIGHT:
        return QStringLiteral("画像を時計回りに90度回転");
    case ID_VIEWER_SLIDESHOW:
        return QStringLiteral("スライドショーを実行");
    case ID_VIEWER_FULL_SCREEN:
        return QStringLiteral("全画面表示と通常表示を切り替え");
    case ID_VIEWER_NEXT:
        return QStringLiteral("次の画像を表示");
    case ID_VIEWER_PREVIOUS:
        return QStringLiteral("前の画像を表示");
    case ID_VIEWER_PREIMAGE:
        return QStringLiteral("読み込み中にプリイメージを表示");
    case ID_VIEWER_COMPARE_LINK:
        return QStringLiteral("比較表示の拡大率とスクロール位置を連動");
    default:
        if (id >= ID_VIEWER_OPEN_WITH_FIRST && id <= ID_VIEWER_OPEN_WITH_LAST)
            return QStringLiteral("表示中の画像を登録済みアプリで開く");
        if (id >= ID_VIEWER_ADD_TO_SHEET_FIRST && id <= ID_VIEWER_ADD_TO_SHEET_LAST)
            return QStringLiteral("表示中の画像をワークシートへ追加");
        return QString();
    }
}

QString exposureProgramName(uint32_t program) {
    static const char* const names[] = {"Unknown",  "Manual", "Normal",   "Av",       "Tv",
                                        "Creative", "Action", "Portrait", "Landscape"};
    return program < 9 ? QString::fromLatin1(names[program]) : QStringLiteral("Reserved");
}

} // namespace

CViewerFrame::CViewerFrame(QWidget* owner) : QMainWindow(owner, Qt::Window) {
    setObjectName(QStringLiteral("ViewerFrame"));
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose, false);
    stack_ = new QStackedWidget(this);
    preview_ = new CPreviewCtrl(stack_);
    stack_->addWidget(preview_);
    setCentralWidget(stack_);
    setFocusProxy(preview_);
    createCompare();
    createMenus();
    createToolBar();
    createStatusBar();
    fitChecked_ = true;
    // Freed blocks kept for the next picture go once they are old, also
    // when nothing else asks the pool for one.
    auto* poolTrim = new QTimer(this);
    poolTrim->setInterval(
        std::chrono::duration_cast<std::chrono::milliseconds>(CPixelPool::kMaxAge / 2));
    connect(poolTrim, &QTimer::timeout, this, [] { CPixelPool::DropStale(); });
    poolTrim->start();

    connect(preview_, &CPreviewCtrl::paneText, this, [this](int pane, const QString& text) {
        if (!comparing())
            setPane(pane, text);
    });
    connect(preview_, &CPreviewCtrl::imageDisplayed, this, &CViewerFrame::onImageDisplayed);
    connect(preview_, &CPreviewCtrl::fitModeChanged, this, [this](bool fit) {
        fitChecked_ = fit;
        UpdateCommandStates();
    });
    connect(preview_, &CPreviewCtrl::listEmptied, this, [this] { SetListPosition(0, 0); });
    connect(preview_, &CPreviewCtrl::closeRequested, this, &QWidget::close);
    connect(preview_, &CPreviewCtrl::nextRequested, this, [this] { RunCommand(ID_VIEWER_NEXT); });
    connect(preview_, &CPreviewCtrl::previousRequested, this,
            [this] { RunCommand(ID_VIEWER_PREVIOUS); });
    connect(preview_, &CPreviewCtrl::fullScreenToggleRequested, this,
            [this] { RunCommand(ID_VIEWER_FULL_SCREEN); });
    connect(preview_, &CPreviewCtrl::stopSlideshowRequested, this, [this] {
        if (hooks_.stopSlideshow)
            hooks_.stopSlideshow();
    });
    connect(preview_, &CPreviewCtrl::deleteRequested, this, &CViewerFrame::onDeleteRequested);
    UpdateCommandStates();
}

CViewerFrame::~CViewerFrame() = default;

void CViewerFrame::SetHooks(ViewerHooks hooks) {
    hooks_ = std::move(hooks);
    preview_->SetSlideshowQuery(hooks_.slideshowRunning);
}

// ---- creation ----------------------------------------------------------------------------------

QAction* CViewerFrame::addCommand(QMenu* menu, int id, const QString& text, bool checkable) {
    auto* a = new QAction(text, this);
    a->setCheckable(checkable);
    a->setData(id);
    a->setStatusTip(commandPrompt(id));
    const QIcon icon = viewerIcon(id);
    if (!icon.isNull())
        a->setIcon(icon);
    // The key is named in the menu text; the canvas handles the keys itself.
    connect(a, &QAction::triggered, this, [this, id, a, checkable] {
        RunCommand(id);
        if (checkable)
            a->setChecked(IsCommandChecked(id));
    });
    if (menu)
        menu->addAction(a);
    actions_[id] = a;
    return a;
}

void CViewerFrame::createMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    addCommand(file, ID_VIEWER_DELETE, QStringLiteral("削除(&D)\tDEL"), false);
    file->addSeparator();
    addCommand(file, ID_VIEWER_CLOSE, QStringLiteral("閉じる(&C)\tESC"), false);

    QMenu* image = menuBar()->addMenu(QStringLiteral("イメージ(&I)"));
    openWithMenu_ = image->addMenu(QStringLiteral("登録済みアプリで開く(&O)"));
    addToSheetMenu_ = image->addMenu(QStringLiteral("ワークシートへ追加(&A)"));
    image->addSeparator();
    addCommand(image, ID_VIEWER_ROTATE_LEFT, QStringLiteral("反時計回りに90度回転(&C)"), false);
    addCommand(image, ID_VIEWER_ROTATE_RIGHT, QStringLiteral("時計回りに90度回転(&W)"), false);
    connect(image, &QMenu::aboutToShow, this, &CViewerFrame::RebuildSubmenus);

    QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    addCommand(view, ID_VIEWER_SMART_RENDERING, QStringLiteral("スマートレンダリング(&S)"), true);
    addCommand(view, ID_VIEWER_FIT, QStringLiteral("ウインドウ幅にフィット(&F)"), true);
    addCommand(view, ID_VIEWER_ACTUAL_SIZE, QStringLiteral("等倍表示(&O)"), false);
    view->addSeparator();
    addCommand(view, ID_VIEWER_ZOOM_IN, QStringLiteral("拡大する(&U)\t+"), false);
    addCommand(view, ID_VIEWER_ZOOM_OUT, QStringLiteral("縮小する(&D)\t-"), false);
    view->addSeparator();
    addCommand(view, ID_VIEWER_FULL_SCREEN, QStringLiteral("全画面表示(&L)\tF11"), true);
    addCommand(view, ID_VIEWER_PREIMAGE, QStringLiteral("プリイメージを表示する(&I)"), true);
    addCommand(view, ID_VIEWER_COMPARE_LINK, QStringLiteral("比較表示を連動する(&K)"), true);
    view->addSeparator();
    addCommand(view, ID_VIEWER_SLIDESHOW, QStringLiteral("スライドショーを実行(&R)..."), true);

    QMenu* move = menuBar()->addMenu(QStringLiteral("移動(&M)"));
    addCommand(move, ID_VIEWER_NEXT, QStringLiteral("次の画像(&N)\t→"), false);
    addCommand(move, ID_VIEWER_PREVIOUS, QStringLiteral("前の画像(&P)\t←"), false);

    for (QMenu* m : {file, image, view, move})
        connect(m, &QMenu::aboutToShow, this, &CViewerFrame::UpdateCommandStates);
}

void CViewerFrame::createToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Viewer"));
    toolBar_->setObjectName(QStringLiteral("ViewerToolBar"));
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(21, 21));
    toolBar_->setFocusPolicy(Qt::NoFocus);
    const int order[] = {ID_VIEWER_SMART_RENDERING,
                         ID_VIEWER_FIT,
                         ID_VIEWER_ACTUAL_SIZE,
                         0,
                         ID_VIEWER_ZOOM_IN,
                         ID_VIEWER_ZOOM_OUT,
                         0,
                         ID_VIEWER_ROTATE_LEFT,
                         ID_VIEWER_ROTATE_RIGHT,
                         0,
                         ID_VIEWER_FULL_SCREEN,
                         0,
                         ID_VIEWER_PREIMAGE,
                         ID_VIEWER_COMPARE_LINK,
                         ID_VIEWER_SLIDESHOW,
                         ID_VIEWER_PREVIOUS,
                         ID_VIEWER_NEXT};
    for (int id : order) {
        if (id == 0) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* a = actions_[id];
        a->setToolTip(a->text()
                          .section(QLatin1Char('\t'), 0, 0)
                          .remove(QStringLiteral("(&"))
                          .section(QLatin1Char(')'), 0, 0)
                          .remove(QLatin1Char('&')));
        toolBar_->addAction(a);
    }
    slider_ = new CSkipperSliderCtrl(toolBar_, 5500);
    slider_->setFixedWidth(200);
    slider_->setRange(0, 0);
    slider_->setEnabled(false);
    toolBar_->addWidget(slider_);
    connect(slider_, &QSlider::sliderPressed, this, [this] { loadingState_ = true; });
    connect(slider_, &QSlider::sliderMoved, this, &CViewerFrame::onSliderMoved);
    connect(slider_, &QSlider::sliderReleased, this, &CViewerFrame::onSliderReleased);
    // A wheel notch on the slider opens the image at its new position.
    connect(slider_, &CSkipperSliderCtrl::wheelStepped, this, &CViewerFrame::onSliderReleased);
    for (QWidget* w : toolBar_->findChildren<QWidget*>())
        w->setFocusPolicy(Qt::NoFocus);
}

void CViewerFrame::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(true);
    // The widths are for a small UI font; a pane is widened to what it
    // usually shows in the font at hand.
    static const char* const samples[kPaneCount] = {
        "", "1/8000",       "Landscape",   "F22.0",         "EV+0.0",   "200mm",   "ISO1600",
        "", "Exif連動回転", "6000 x 4000", "100.0(%): FIT", "x = 6000", "y = 4000"};
    const QFontMetrics fm = bar->fontMetrics();
    for (int i = 0; i < kPaneCount; ++i) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("pane%1").arg(i));
        if (i == 0) {
            bar->addWidget(label, 1);
        } else {
            label->setFixedWidth(
                std::max(kPaneWidths[i], fm.horizontalAdvance(QString::fromUtf8(samples[i])) + 10));
            if (i != 7)
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            bar->addPermanentWidget(label);
        }
        panes_[static_cast<std::size_t>(i)] = label;
    }
    marksPane_ = new QLabel(bar);
    marksPane_->setObjectName(QStringLiteral("marksPane"));
    marksPane_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    marksPane_->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("★★★★★ 不採用 紫")) + 10);
    bar->insertPermanentWidget(0, marksPane_);
    setPane(0, kDisplayed);
    setPane(8, preview_->rotationText());
}

// ---- panes and title -------------------------------------------------------------------------

void CViewerFrame::setPane(int pane, const QString& text) {
    if (pane >= 0 && pane < kPaneCount)
        panes_[static_cast<std::size_t>(pane)]->setText(text);
}

QString CViewerFrame::paneText(int pane) const {
    return pane >= 0 && pane < kPaneCount ? panes_[static_cast<std::size_t>(pane)]->text()
                                          : QString();
}

void CViewerFrame::setCaptionPanes(const ImageItem& item) {
    const CaptionSummary& c = item.caption;
    QString t;
    if (c.shutterSpeed && *c.shutterSpeed > 0.0f) {
        const float r = *c.shutterSpeed;
        t = r < 1.0f ? QString::asprintf("%.1f\"", 1.0 / r) : QString::asprintf("1/%.0f", r);
    }
    setPane(1, t);
    setPane(2, c.exposureProgram ? exposureProgramName(*c.exposureProgram) : QString());
    setPane(3, c.fNumber ? QString::asprintf("F%.1f", *c.fNumber) : QString());
    setPane(4, c.exposureBias
                   ? QString::asprintf("EV%s%.1f", *c.exposureBias >= 0 ? "+" : "", *c.exposureBias)
                   : QString());
    setPane(5, c.focalLength ? QString::asprintf("%.0fmm", *c.focalLength) : QString());
    setPane(6, c.iso ? QString::asprintf("ISO%u", *c.iso) : QString());
}

void CViewerFrame::setTitle(const QString& path) {
    titlePath_ = path;
    QString title = path.isEmpty() ? kTitle : QStringLiteral("Lumora - %1").arg(path);
    if (slideshowTitle_)
        title += kSlideshowSuffix;
    setWindowTitle(title);
}

void CViewerFrame::SetSlideshowRunning(bool running) {
    slideshowTitle_ = running;
    setTitle(titlePath_);
    UpdateCommandStates();
}

// ---- showing --------------------------------------------------------------------------------

void CViewerFrame::ShowItem(const ImageItem& item, int index, int count) {
    endCompare();
    loadingState_ = true;
    setPane(0, kLoading);
    showWindow();
    SetListPosition(index, count);
    setCaptionPanes(item);
    shownPath_ = QString::fromStdString(item.path);
    SetMarks(item.marks);
    setTitle(QString::fromStdString(item.path));
    preview_->ShowItem(item, index, count);
    UpdateCommandStates();
    emit activeFileChanged(QString::fromStdString(item.path));
}

void CViewerFrame::showWindow() {
    if (isVisible()) {
        if (fullScreen_)
            applyFullScreen(true);
        else if (isMinimized())
            setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    } else if (fullScreen_) {
        applyFullScreen(true);
    } else {
        ViewerPlacement place;
        const QRect g = geometry();
        place.left = g.left();
        place.top = g.top();
        place.right = g.width();
        place.bottom = g.height();
        if (hooks_.readPlacement)
            if (auto stored = hooks_.readPlacement())
                place = *stored;
        if (place.right > place.left && place.bottom > place.top)
            setGeometry(
                QRect(QPoint(place.left, place.top), QPoint(place.right - 1, place.bottom - 1)));
        switch (place.cmd) {
        case 3:
            showMaximized();
            break;
        case 2:
        case 6:
        case 7:
            showMinimized();
            break;
        default:
            showNormal();
            break;
        }
    }
    raise();
    activateWindow();
    preview_->setFocus(Qt::OtherFocusReason);
}

void CViewerFrame::SetListPosition(int index, int count) {
    listIndex_ = index;
    listCount_ = count;
    const QSignalBlocker block(slider_);
    if (count <= 1) {
        slider_->setRange(0, 0);
        slider_->setValue(0);
        slider_->setEnabled(false);
        if (count == 0)
            setPane(0, QString());
    } else {
        slider_->setEnabled(true);
        slider_->setRange(0, count - 1);
        slider_->setValue(index);
    }
    UpdateCommandStates();
}

void CViewerFrame::ListCleared() {
    endCompare();
    SetListPosition(0, 0);
    preview_->DropPrefetched();
}

void CViewerFrame::ShowNothing() {
    if (hooks_.slideshowRunning && hooks_.slideshowRunning() && hooks_.stopSlideshow)
        hooks_.stopSlideshow(); // no image will ever end the run
    endCompare();
    loadingState_ = false;
    preview_->Clear();
    setTitle(QString());
    for (int pane : {1, 2, 3, 4, 5, 6, 9, 10, 11, 12})
        setPane(pane, QString());
    SetListPosition(0, 0); // also empties pane 0
}

void CViewerFrame::ApplySettings(const AppSettings& s) {
    preview_->ApplySettings(s);
    compare_->ApplySettings(s);
    fullScreenToolBar_ = s.FullScreenToolBar != 0;
    externalApps_ = s.AppList;
    const bool smart = s.SmartRendering != 0;
    if (smart != smartRendering_) {
        smartRendering_ = smart;
        preview_->SetSmartRendering(smart);
        compare_->SetSmartRendering(smart);
    }
    const bool full = s.FullScreen != 0;
    if (full != fullScreen_) {
        if (isVisible())
            applyFullScreen(full);
        else
            fullScreen_ = full; // applied on showing
    }
    UpdateCommandStates();
}

void CViewerFrame::onImageDisplayed(int index, int count) {
    loadingState_ = false;
    setPane(0, kDisplayed);
    UpdateCommandStates();
    emit imageDisplayed(index, count);
    prefetchNeighbours();
}

void CViewerFrame::prefetchNeighbours() {
    if (!source_.copyItem || listCount_ < 2)
        return;
    std::vector<ImageItem> items;
    // Next first: stepping forward is the usual way through a folder.
    for (int step : {+1, -1}) {
        const int i = (listIndex_ + step + listCount_) % listCount_;
        ImageItem item;
        if (i != listIndex_ && source_.copyItem(i, item))
            items.push_back(std::move(item));
    }
    preview_->Prefetch(items);
}

// ---- full screen ----------------------------------------------------------------------------

void CViewerFrame::applyFullScreen(bool on) {
    fullScreen_ = on;
    if (on) {
        if (!isFullScreen())
            normalPlace_ = geometry();
        menuBar()->hide();
        toolBar_->setVisible(fullScreenToolBar_);
        statusBar()->hide();
        showFullScreen();
        // Without a window manager the request alone moves nothing: the
        // window covers the screen by its own geometry as well.
        if (QScreen* s = screen())
            setGeometry(s->geometry());
    } else {
        if (isFullScreen())
            showNormal();
        if (normalPlace_.isValid())
            setGeometry(normalPlace_);
        menuBar()->show();
        statusBar()->show();
        toolBar_->show();
    }
    if (hooks_.fullScreenChanged)
        hooks_.fullScreenChanged(on);
    emit fullScreenToggled(on);
    UpdateCommandStates();
}

void CViewerFrame::SetFullScreen(bool on) {
    if (isVisible())
        applyFullScreen(on);
    else
        fullScreen_ = on;
}

bool CViewerFrame::GetShowPreimage() const {
    return preview_->GetShowPreimage();
}

void CViewerFrame::SetShowPreimage(bool on) {
    preview_->SetShowPreimage(on);
    UpdateCommandStates();
}

void CViewerFrame::SetFitMode(bool on) {
    fitChecked_ = on;
    preview_->SetFitMode(on);
    UpdateCommandStates();
}

// ---- commands -------------------------------------------------------------------------------

bool CViewerFrame::IsCommandEnabled(int id) const {
    const bool image = canvas()->HasImage();
    // Both act on the shown image: there must be one.
    const bool shown = !activeFilePath().isEmpty();
    if (id >= ID_VIEWER_OPEN_WITH_FIRST && id <= ID_VIEWER_OPEN_WITH_LAST)
        return shown && !externalApps_.isEmpty() &&
               id - ID_VIEWER_OPEN_WITH_FIRST < externalApps_.size() && source_.selectedCount &&
               source_.selectedCount() > 0;
    if (id >= ID_VIEWER_ADD_TO_SHEET_FIRST && id <= ID_VIEWER_ADD_TO_SHEET_LAST) {
        const int sheets = hooks_.worksheetNames ? int(hooks_.worksheetNames().size()) : 0;
        return shown && id - ID_VIEWER_ADD_TO_SHEET_FIRST < sheets && source_.selectedCount &&
               source_.selectedCount() > 0;
    }
    switch (id) {
    case ID_VIEWER_DELETE:
    case ID_VIEWER_CLOSE:
    case ID_VIEWER_SLIDESHOW:
    case ID_VIEWER_FULL_SCREEN:
    case ID_VIEWER_PREIMAGE:
        return true;
    case ID_VIEWER_SMART_RENDERING:
    case ID_VIEWER_FIT:
    case ID_VIEWER_ACTUAL_SIZE:
    case ID_VIEWER_ROTATE_LEFT:
    case ID_VIEWER_ROTATE_RIGHT:
        return image;
    case ID_VIEWER_ZOOM_IN:
        return canvas()->CanZoomIn();
    case ID_VIEWER_ZOOM_OUT:
        return canvas()->CanZoomOut();
    case ID_VIEWER_NEXT:
    case ID_VIEWER_PREVIOUS:
        return listCount_ >= 2;
    case ID_VIEWER_COMPARE_LINK:
        return comparing();
    default:
        return false;
    }
}

bool CViewerFrame::IsCommandChecked(int id) const {
    switch (id) {
    case ID_VIEWER_SMART_RENDERING:
        return smartRendering_;
    case ID_VIEWER_FIT:
        return fitChecked_;
    case ID_VIEWER_SLIDESHOW:
        return hooks_.slideshowRunning && hooks_.slideshowRunning();
    case ID_VIEWER_FULL_SCREEN:
        return fullScreen_;
    case ID_VIEWER_PREIMAGE:
        return preview_->GetShowPreimage();
    case ID_VIEWER_COMPARE_LINK:
        return compare_->linked();
    default:
        return false;
    }
}

void CViewerFrame::UpdateCommandStates() {
    for (auto& [id, a] : actions_) {
        a->setEnabled(IsCommandEnabled(id));
        if (a->isCheckable())
            a->setChecked(IsCommandChecked(id));
    }
}

QAction* CViewerFrame::action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

bool CViewerFrame::RunCommand(int id) {
    if (!IsCommandEnabled(id))
        return false;
    const QString path = activeFilePath();
    if (id >= ID_VIEWER_OPEN_WITH_FIRST && id <= ID_VIEWER_OPEN_WITH_LAST) {
        if (hooks_.openWith)
            hooks_.openWith(id - ID_VIEWER_OPEN_WITH_FIRST, path);
        return true;
    }
    if (id >= ID_VIEWER_ADD_TO_SHEET_FIRST && id <= ID_VIEWER_ADD_TO_SHEET_LAST) {
        if (hooks_.addToWorksheet)
            hooks_.addToWorksheet(id - ID_VIEWER_ADD_TO_SHEET_FIRST + 1, path);
        return true;
    }
    switch (id) {
    case ID_VIEWER_DELETE:
        canvas()->DeleteCurrent();
        break;
    case ID_VIEWER_CLOSE:
        close();
        break;
    case ID_VIEWER_SMART_RENDERING:
        smartRendering_ = !smartRendering_;
        preview_->SetSmartRendering(smartRendering_);
        compare_->SetSmartRendering(smartRendering_);
        if (hooks_.smartRenderingChanged)
            hooks_.smartRenderingChanged(smartRendering_);
        break;
    case ID_VIEWER_FIT:
        fitChecked_ = !fitChecked_;
        canvas()->SetFitMode(fitChecked_);
        break;
    case ID_VIEWER_ACTUAL_SIZE:
        canvas()->ActualSize();
        fitChecked_ = false;
        break;
    case ID_VIEWER_ZOOM_IN:
        canvas()->ZoomIn();
        break;
    case ID_VIEWER_ZOOM_OUT:
        canvas()->ZoomOut();
        break;
    case ID_VIEWER_ROTATE_LEFT:
        canvas()->RotateLeft();
        break;
    case ID_VIEWER_ROTATE_RIGHT:
        canvas()->RotateRight();
        break;
    case ID_VIEWER_SLIDESHOW:
        if (hooks_.toggleSlideshow)
            hooks_.toggleSlideshow();
        break;
    case ID_VIEWER_FULL_SCREEN:
        applyFullScreen(!fullScreen_);
        break;
    case ID_VIEWER_NEXT:
        if (comparing())
            compare_->StepActive(+1);
        else
            next();
        break;
    case ID_VIEWER_PREVIOUS:
        if (comparing())
            compare_->StepActive(-1);
        else
            previous();
        break;
    case ID_VIEWER_COMPARE_LINK:
        compare_->SetLinked(!compare_->linked());
        break;
    case ID_VIEWER_PREIMAGE: {
        const bool on = !preview_->GetShowPreimage();
        preview_->SetShowPreimage(on);
        compare_->SetShowPreimage(on);
        if (hooks_.showPreimageChanged)
            hooks_.showPreimageChanged(on);
        break;
    }
    default:
        return false;
    }
    UpdateCommandStates();
    return true;
}

void CViewerFrame::next() {
    if (listCount_ == 0 || !source_.next)
        return;
    loadingState_ = true;
    setPane(0, kLoading);
    source_.next();
}

void CViewerFrame::previous() {
    if (listCount_ == 0 || !source_.previous)
        return;
    loadingState_ = true;
    setPane(0, kLoading);
    source_.previous();
}

void CViewerFrame::onDeleteRequested(const QString& path) {
    if (!source_.deleteItem || !source_.deleteItem(path))
        return;
    setPane(0, kLoading);
    if (source_.openCurrent)
        source_.openCurrent();
    // Nothing took the deleted image's place: the list is empty now.
    if (source_.count && source_.count() == 0)
        ShowNothing();
}

void CViewerFrame::RebuildSubmenus() {
    openWithMenu_->clear();
    if (externalApps_.isEmpty()) {
        openWithMenu_->addAction(QStringLiteral("（登録してください）"))->setEnabled(false);
    } else {
        for (int i = 0; i < externalApps_.size() && i < 100; ++i) {
            const int id = ID_VIEWER_OPEN_WITH_FIRST + i;
            QAction* a = openWithMenu_->addAction(QFileInfo(externalApps_[i]).fileName());
            a->setData(id);
            a->setStatusTip(commandPrompt(id));
            a->setEnabled(IsCommandEnabled(id));
            connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
        }
    }
    addToSheetMenu_->clear();
    const QStringList sheets = hooks_.worksheetNames ? hooks_.worksheetNames() : QStringList();
    if (sheets.isEmpty()) {
        addToSheetMenu_->addAction(QStringLiteral("（なし）"))->setEnabled(false);
    } else {
        for (int i = 0; i < sheets.size() && i < 100; ++i) {
            const int id = ID_VIEWER_ADD_TO_SHEET_FIRST + i;
            QAction* a = addToSheetMenu_->addAction(sheets[i]);
            a->setData(id);
            a->setStatusTip(commandPrompt(id));
            a->setEnabled(IsCommandEnabled(id));
            connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
        }
    }
}

// ---- slider ---------------------------------------------------------------------------------

void CViewerFrame::onSliderMoved(int value) {
    if (value == listIndex_ || !source_.copyItem)
        return;
    auto m = std::make_unique<SliderPreimageMessage>();
    if (!source_.copyItem(value, m->item))
        return;
    m->index = value;
    Send(this, *m);
}

void CViewerFrame::onSliderReleased() {
    const int target = slider_->value();
    loadingState_ = true;
    setPane(0, kLoading);
    if (source_.openAt)
        source_.openAt(target);
}

bool CViewerFrame::event(QEvent* e) {
    if (auto* m = MessageCast<SliderPreimageMessage>(e)) {
        if (loadingState_) {
            preview_->ShowSliderPreimage(m->item);
            setTitle(QString::fromStdString(m->item.path));
            setCaptionPanes(m->item);
        }
        return true;
    }
    return QMainWindow::event(e);
}

// ---- closing --------------------------------------------------------------------------------

void CViewerFrame::closeEvent(QCloseEvent* e) {
    if (hooks_.slideshowRunning && hooks_.slideshowRunning() && hooks_.stopSlideshow)
        hooks_.stopSlideshow();
    emit closing();
    if (hooks_.writePlacement) {
        const QRect g =
            fullScreen_ || isMaximized() || isMinimized() ? normalGeometry() : geometry();
        ViewerPlacement place;
        place.left = g.left();
        place.top = g.top();
        place.right = g.left() + g.width();
        place.bottom = g.top() + g.height();
        place.cmd = isMinimized() ? 2 : isMaximized() ? 3 : 1;
        hooks_.writePlacement(place);
    }
    e->ignore();
    // The shown picture stays for the next showing; its neighbours go, and
    // so do the freed blocks kept for the next pictures.
    preview_->DropPrefetched();
    CPixelPool::Trim();
    hide();
}

// ---- marks ------------------------------------------------------------------------------------

void CViewerFrame::SetMarks(const Marks& marks) {
    QString text;
    if (marks.reject)
        text = QStringLiteral("不採用");
    else if (marks.rating > 0)
        text = QString(marks.rating, QChar(0x2605));
    if (marks.label != ColorLabel::None) {
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += QString::fromUtf8(ColorLabelDisplayName(marks.label).data(),
                                  int(ColorLabelDisplayName(marks.label).size()));
    }
    if (marksPane_)
        marksPane_->setText(text);
}

QString CViewerFrame::marksText() const {
    return marksPane_ ? marksPane_->text() : QString();
}

bool CViewerFrame::MarkShownFile(std::optional<MarkChange> change) {
    // Side by side, the keys mark the active pane's picture.
    const QString path = comparing() ? activeFilePath() : shownPath_;
    if (path.isEmpty() || !hooks_.mark)
        return false;
    if (const std::optional<Marks> marks = hooks_.mark(path, change))
        SetMarks(*marks);
    return true;
}

void CViewerFrame::keyPressEvent(QKeyEvent* e) {
    // Keys the picture did not take: the mark keys, as in the thumbnail view.
    std::optional<MarkChange> change;
    bool undo = false;
    const auto mods = e->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier && e->key() >= Qt::Key_0 && e->key() <= Qt::Key_5)
        change = MarkChange::Rating(e->key() - Qt::Key_0);
    else if (mods == Qt::NoModifier && e->key() >= Qt::Key_6 && e->key() <= Qt::Key_9)
        change = MarkChange::Label(static_cast<ColorLabel>(e->key() - Qt::Key_6 + 1));
    else if (mods == Qt::NoModifier && e->key() == Qt::Key_X)
        change = MarkChange::ToggleReject();
    else if (mods == Qt::ControlModifier && e->key() == Qt::Key_Z)
        undo = true;
    if ((change || undo) && MarkShownFile(change)) {
        e->accept();
        return;
    }
    if (mods == Qt::NoModifier && e->key() == Qt::Key_C && hooks_.compareSelection) {
        const int selected = source_.selectedCount ? source_.selectedCount() : 0;
        if (selected >= CCompareView::kMinPanes && selected <= CCompareView::kMaxPanes) {
            hooks_.compareSelection();
            e->accept();
            return;
        }
    }
    QMainWindow::keyPressEvent(e);
}

} // namespace lumora
