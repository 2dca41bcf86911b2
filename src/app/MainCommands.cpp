#include "app/MainCommands.h"

#include "app/AboutDlg.h"
#include "app/ExternalApps.h"
#include "app/FileCommands.h"
#include "app/MarkActions.h"
#include "app/ListContainerWnd.h"
#include "app/MainFrame.h"
#include "app/OneKey.h"
#include "app/TreeContainerWnd.h"
#include "foldertree/ShellTreeCtrl.h"
#include "platform/ClipboardFiles.h"
#include "resources/ToolIcons.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/ThumbnailFileOps.h"
#include "thumbnails/ThumbnailMessages.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace lumora {

namespace {

// Messages to the main window after which the command states may differ:
// tree selection, title/count, counts, phase, selection, list cleared,
// scan progress, focus pane, no cursor, current item.
constexpr int kStateMessages[] = {
    WM_USER + 1002, WM_USER + 2004, WM_USER + 2007, WM_USER + 2008, WM_USER + 2009, WM_USER + 2015,
    WM_USER + 2023, WM_USER + 2024, WM_USER + 2027, WM_USER + 2032, WM_USER + 2050,
};

const char kListFilter[] = "Lumoraワークシートリスト(*.lsl);;すべてのファイル(*.*)";

} // namespace

unsigned CommandHooks::plugged() const {
    unsigned bits = 0;
    if (worksheetNames && defaultWorksheet && createWorksheet && cycleTab &&
        closeCurrentWorksheet && closeAllWorksheets && closeWorksheet && setDefaultWorksheet &&
        addSelectionTo && clearCurrentWorksheet)
        bits |= kNeedWorksheets;
    if (readList && saveCurrentAsList)
        bits |= kNeedListFiles;
    if (exportCurrentWorksheet)
        bits |= kNeedExport;
    if (runSettingsDialog)
        bits |= kNeedSettingsDialog;
    if (slideShowRunning && toggleSlideShow)
        bits |= kNeedSlideShow;
    if (compareSelection)
        bits |= kNeedCompare;
    return bits;
}

CMainCommands::CMainCommands(CMainFrame& frame) : QObject(&frame), frame_(frame) {
    setObjectName(QStringLiteral("MainCommands"));
}

CMainCommands::~CMainCommands() = default;

// ---- building --------------------------------------------------------------------

QAction* CMainCommands::makeAction(int id) {
    if (auto it = actions_.find(id); it != actions_.end())
        return it->second;
    const CommandEntry* e = findCommand(id);
    auto* a = new QAction(&frame_);
    a->setObjectName(QStringLiteral("ID%1").arg(id));
    a->setData(id);
    if (e && e->menuText)
        a->setText(QString::fromUtf8(e->menuText));
    const QIcon icon = toolIcon(id);
    if (!icon.isNull())
        a->setIcon(icon);
    a->setIconVisibleInMenu(false);
    a->setToolTip(commandToolTip(id));
    a->setStatusTip(commandPrompt(id));
    a->setCheckable(e && e->checked);
    connect(a, &QAction::triggered, this, [this, id] { run(id); });
    actions_[id] = a;
    return a;
}

void CMainCommands::buildMenu(QMenu* menu, std::span<const MenuNode> nodes) {
    for (const MenuNode& n : nodes) {
        switch (n.kind) {
        case MenuNode::Separator:
            menu->addSeparator();
            break;
        case MenuNode::Command:
            menu->addAction(makeAction(n.command));
            break;
        case MenuNode::Submenu: {
            QMenu* sub = menu->addMenu(QString::fromUtf8(n.text));
            buildMenu(sub, n.children);
            const int first = n.children.empty() ? 0 : n.children.front().command;
            if (!n.children.empty() && n.children.back().kind == MenuNode::Range) {
                const int range = n.children.back().command;
                if (range == toInt(CommandId::AddToWorksheet))
                    addToMenu_ = sub;
                else if (range == toInt(CommandId::OpenWithApplication))
                    openWithMenu_ = sub;
                else if (range == toInt(CommandId::SetDefaultWorksheet))
                    defaultMenu_ = sub;
                else if (range == toInt(CommandId::CloseWorksheet))
                    closeMenu_ = sub;
            }
            if (first == toInt(CommandId::ThumbnailSize160))
                sizeMenu_ = sub;
            if (first == toInt(CommandId::FilterOff))
                filterNodes_ = n.children;
            break;
        }
        case MenuNode::Range:
            break; // filled when the menu opens
        }
    }
}

void CMainCommands::build() {
    QMenuBar* bar = frame_.menuBar();
    bar->setObjectName(QStringLiteral("MenuBar128"));
    for (const MenuNode& top : menuBarLayout()) {
        QMenu* m = bar->addMenu(QString::fromUtf8(top.text));
        m->setObjectName(QStringLiteral("Menu%1").arg(menus_.size()));
        buildMenu(m, top.children);
        // WM_INITMENU: every dynamic menu is filled and every state computed
        // before a menu of the bar shows.
        connect(m, &QMenu::aboutToShow, this, [this] {
            initMenus();
            updateStates();
        });
        menus_.push_back(m);
    }

    for (const int barId : {170, 161, 128}) {
        auto* tb = new QToolBar(&frame_);
        tb->setObjectName(QStringLiteral("ToolBar%1").arg(barId));
        tb->setWindowTitle(tb->objectName());
        tb->setMovable(true);
        tb->setFloatable(false);
        tb->setIconSize(QSize(16, 16));
        tb->setToolButtonStyle(Qt::ToolButtonIconOnly);
        tb->setStyleSheet(QStringLiteral("QToolButton { padding: 2px; }"));
        for (const int id : toolBarButtons(barId)) {
            if (id == 0) {
                tb->addSeparator();
            } else if (id == toInt(CommandId::FilterOff)) {
                // The filter entries of the menu, as a drop-down: the same
                // actions, so their checks follow the menu's; the button
                // itself is down while a filter is on.
                auto* button = new QToolButton(tb);
                button->setObjectName(QStringLiteral("FilterButton"));
                button->setIcon(toolIcon(id));
                button->setToolTip(QStringLiteral("絞り込み"));
                button->setStatusTip(QStringLiteral("レーティングやラベルでイメージを絞り込む"));
                button->setCheckable(true);
                button->setPopupMode(QToolButton::InstantPopup);
                auto* menu = new QMenu(button);
                menu->setObjectName(QStringLiteral("FilterButtonMenu"));
                buildMenu(menu, filterNodes_);
                connect(menu, &QMenu::aboutToShow, this, &CMainCommands::updateStates);
                button->setMenu(menu);
                tb->addWidget(button)->setData(id);
                filterButton_ = button;
            } else {
                tb->addAction(makeAction(id));
            }
        }
        frame_.addToolBar(Qt::TopToolBarArea, tb);
        bars_[barId] = tb;
    }

    // Accelerator table 128: a key always reaches run(), which drops the
    // command when its rule disallows it at that moment.
    for (const CommandEntry& e : commandTable()) {
        if (!e.key)
            continue;
        auto* s = new QShortcut(QKeySequence(QString::fromLatin1(e.key)), &frame_);
        s->setContext(Qt::WindowShortcut);
        s->setObjectName(QStringLiteral("Key%1").arg(toInt(e.id)));
        const int id = toInt(e.id);
        connect(s, &QShortcut::activated, this, [this, id] { run(id); });
    }

    // What the states depend on.
    frame_.installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, &CMainCommands::scheduleUpdate);
    if (CListContainerWnd* lc = frame_.listContainer())
        connect(lc->tabStrip(), &QTabBar::currentChanged, this, &CMainCommands::scheduleUpdate);
    if (QClipboard* cb = QGuiApplication::clipboard()) {
        auto readClipboard = [this] {
            const auto files = filesFromClipboard();
            clipboardHasFiles_ = files && !files->paths.isEmpty();
            scheduleUpdate();
        };
        connect(cb, &QClipboard::dataChanged, this, readClipboard);
        readClipboard();
    }
    if (CListContainerWnd* lc = frame_.listContainer()) {
        oneKey_ = new COneKeyFilter(
            lc, [this] { return frame_.settings().OneKey; },
            [this] { run(toInt(CommandId::AddToDefaultWorksheet)); }, this);
        qApp->installEventFilter(oneKey_);
        attachView(lc->folderView());
    }
    initMenus();
    updateStates();
}

QToolBar* CMainCommands::toolBar(int id) const {
    auto it = bars_.find(id);
    return it == bars_.end() ? nullptr : it->second;
}

QAction* CMainCommands::action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* CMainCommands::menu(int index) const {
    return index >= 0 && index < int(menus_.size()) ? menus_[std::size_t(index)] : nullptr;
}

void CMainCommands::attachView(CThumbnailCtrl* view) {
    if (!view)
        return;
    QPointer<CThumbnailCtrl> guarded(view);
    connect(view, &CThumbnailCtrl::commandRequested, this, [this, guarded](int id) {
        if (guarded)
            onViewCommand(guarded, id);
    });
    view->SetMenuSources([this] { return worksheetNames(); },
                         [this] { return frame_.settings().AppList; });
}

QStringList CMainCommands::applicationMenuNames(const QStringList& apps) {
    QStringList names;
    for (const QString& app : apps)
        names << QFileInfo(app).fileName();
    return names;
}

QString CMainCommands::customSizeText(int horz, int vert) {
    return QStringLiteral("カスタム（%1x%2）").arg(horz).arg(vert);
}

void CMainCommands::fillRangeMenu(QMenu* menu, int first, const QStringList& names,
                                  const QString& empty, int keep) {
    if (!menu)
        return;
    const QList<QAction*> existing = menu->actions();
    for (int i = keep; i < existing.size(); ++i) {
        menu->removeAction(existing[i]);
        if (existing[i]->parent() == menu)
            delete existing[i];
    }
    const CommandEntry* e = findCommand(first);
    for (int i = 0; i < names.size() && i < kRangeSize; ++i) {
        QAction* a = menu->addAction(names[i]);
        a->setData(first + i);
        a->setCheckable(e && e->checked);
        const int id = first + i;
        connect(a, &QAction::triggered, this, [this, id] { run(id); });
    }
    if (names.isEmpty() && !empty.isEmpty()) {
        QAction* a = menu->addAction(empty);
        // The applications' placeholder carries the first number, the
        // worksheets' none; both stay grey.
        a->setData(first == toInt(CommandId::OpenWithApplication) ? first : 0);
        a->setEnabled(false);
    }
}

void CMainCommands::initMenus() {
    const QStringList sheets = worksheetNames();
    fillRangeMenu(closeMenu_, toInt(CommandId::CloseWorksheet), sheets, QString(), 3);
    fillRangeMenu(defaultMenu_, toInt(CommandId::SetDefaultWorksheet), sheets, QString(), 0);
    fillRangeMenu(addToMenu_, toInt(CommandId::AddToWorksheet), sheets, QStringLiteral("（なし）"),
                  0);
    fillRangeMenu(openWithMenu_, toInt(CommandId::OpenWithApplication),
                  applicationMenuNames(frame_.settings().AppList),
                  QStringLiteral("（登録してください）"), 0);
    if (QAction* custom = action(toInt(CommandId::ThumbnailSizeCustom)))
        custom->setText(customSizeText(frame_.settings().CustomThumbnailSizeHorz,
                                       frame_.settings().CustomThumbnailSizeVert));
}

// ---- states ----------------------------------------------------------------------

CThumbnailCtrl* CMainCommands::view() const {
    CListContainerWnd* lc = frame_.listContainer();
    return lc ? lc->currentView() : nullptr;
}

FocusTarget CMainCommands::focusTarget() const {
    QWidget* fw = frame_.focusWidget();
    if (!fw)
        return FocusTarget::Other;
    CThumbnailCtrl* v = view();
    if (v && (fw == v || v->isAncestorOf(fw)))
        return FocusTarget::View;
    QWidget* tree = frame_.shellTree_;
    if (tree && (fw == tree || tree->isAncestorOf(fw)))
        return FocusTarget::Tree;
    return FocusTarget::Other;
}

QStringList CMainCommands::worksheetNames() const {
    return hooks_.worksheetNames ? hooks_.worksheetNames() : QStringList();
}

QString CMainCommands::currentWorksheetName() const {
    if (hooks_.currentWorksheetName)
        return hooks_.currentWorksheetName();
    CListContainerWnd* lc = frame_.listContainer();
    const int i = lc ? lc->currentIndex() : 0;
    const QStringList names = worksheetNames();
    return i >= 1 && i <= names.size() ? names[i - 1] : QString();
}

CommandState CMainCommands::state() const {
    CommandState s;
    s.hooks = hooks_.plugged();
    s.focus = focusTarget();
    CListContainerWnd* lc = frame_.listContainer();
    CThumbnailCtrl* v = view();
    s.hasView = v != nullptr;
    s.worksheetCurrent = lc && !lc->folderTabCurrent();
    s.worksheetCount = int(worksheetNames().size());
    s.defaultWorksheet = hooks_.defaultWorksheet ? hooks_.defaultWorksheet() : 0;
    s.defaultWorksheetCurrent =
        lc && s.defaultWorksheet > 0 && lc->currentIndex() == s.defaultWorksheet;
    if (v) {
        s.selectedCount = v->list().CountSelected();
        s.itemCount = v->Count();
        const int c = v->cursor();
        s.hasCursorItem = c >= 0 && c < s.itemCount;
        s.busy = v->IsBusy();
        s.sortMode = v->sortState();
        const MarkFilter f = v->list().markFilter();
        s.filterMinRating = f.minRating;
        s.filterLabel = int(f.label);
        s.filterHideRejects = f.hideRejects;
    }
    s.treePathEmpty = !frame_.shellTree_ || frame_.shellTree_->GetSelectedPath().isEmpty();
    s.clipboardHasFiles = clipboardHasFiles_;
    const AppSettings& st = frame_.settings();
    s.applicationCount = int(st.AppList.size());
    s.slideShowRunning = hooks_.slideShowRunning && hooks_.slideShowRunning();
    s.miniPreviewShown = frame_.treeContainer() && frame_.treeContainer()->miniPreviewShown();
    s.infoPaneShown = lc && lc->infoPaneShown();
    s.fileType = st.FileType;
    s.thumbnailSize = st.ThumbnailSize;
    s.showFileName = st.ShowFileName != 0;
    s.showGuide = st.ShowGuide != 0;
    s.histogramMode = st.HistogramMode;
    s.sizeLimiter = st.SizeLimitter != 0;
    s.markUndoAvailable = marks_ && marks_->canUndo();
    return s;
}

void CMainCommands::updateStates() {
    const CommandState s = state();
    for (const auto& [id, a] : actions_) {
        a->setEnabled(isCommandEnabled(id, s));
        if (a->isCheckable())
            a->setChecked(isCommandChecked(id, s));
    }
    if (filterButton_)
        filterButton_->setChecked(!isCommandChecked(toInt(CommandId::FilterOff), s));
    for (QMenu* m : {addToMenu_, openWithMenu_, defaultMenu_, closeMenu_}) {
        if (!m)
            continue;
        for (QAction* a : m->actions()) {
            const int id = a->data().toInt();
            if (id == 0 || actions_.count(id))
                continue;
            a->setEnabled(isCommandEnabled(id, s));
            if (a->isCheckable())
                a->setChecked(isCommandChecked(id, s));
        }
    }
}

void CMainCommands::scheduleUpdate() {
    if (updatePending_)
        return;
    updatePending_ = true;
    QTimer::singleShot(0, this, [this] {
        updatePending_ = false;
        updateStates();
    });
}

bool CMainCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &frame_) {
        const int type = int(event->type());
        for (const int m : kStateMessages)
            if (type == m) {
                scheduleUpdate();
                break;
            }
    }
    return QObject::eventFilter(watched, event);
}

bool CMainCommands::run(int id) {
    const CommandEntry* e = findCommand(id);
    // Nothing runs while an export keeps the main window disabled.
    if (!e || frame_.exportRunning() || !isCommandEnabled(id, state())) {
        // A checkable button flipped itself when clicked: put it back.
        updateStates();
        return false;
    }
    (this->*(e->handler))(id);
    updateStates();
    return true;
}

bool CMainCommands::ask(const QString& question) const {
    if (hooks_.ask)
        return hooks_.ask(question);
    return QMessageBox::question(&frame_, QStringLiteral("Lumora"), question,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void CMainCommands::afterSettingsChange(bool reload) {
    frame_.ApplySettings(reload);
}

// ---- file ------------------------------------------------------------------------

void CMainCommands::onNewFolder(int) {
    if (!frame_.shellTree_)
        return;
    if (frame_.shellTree_->NewFolder() == 0)
        QMessageBox::critical(&frame_, QStringLiteral("Lumora"),
                              QStringLiteral("この位置にはフォルダは作成できません。"));
}

void CMainCommands::onDelete(int) {
    switch (focusTarget()) {
    case FocusTarget::Tree:
        frame_.shellTree_->DeleteSelected();
        break;
    case FocusTarget::View:
        if (CThumbnailCtrl* v = view())
            onViewCommand(v, ID_THUMB_DELETE);
        break;
    case FocusTarget::Other:
        break;
    }
}

void CMainCommands::onProperties(int) {
    switch (focusTarget()) {
    case FocusTarget::Tree:
        frame_.shellTree_->ShowSelectedProperties();
        break;
    case FocusTarget::View:
        if (CThumbnailCtrl* v = view())
            ShowItemProperties(*v, &frame_);
        break;
    case FocusTarget::Other:
        break;
    }
}

void CMainCommands::onSettings(int) {
    hooks_.runSettingsDialog();
}

void CMainCommands::onExit(int) {
    frame_.close();
}

// ---- edit ------------------------------------------------------------------------

void CMainCommands::onCutCopy(int id) {
    const std::uint32_t effect = id == toInt(CommandId::Cut) ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
    switch (focusTarget()) {
    case FocusTarget::Tree:
        frame_.shellTree_->CopySelectedToClipboard(effect);
        break;
    case FocusTarget::View:
        if (CThumbnailCtrl* v = view())
            CopySelectionToClipboard(*v, effect);
        break;
    case FocusTarget::Other:
        break;
    }
}

void CMainCommands::onPaste(int) {
    const FocusTarget focus = focusTarget();
    CThumbnailCtrl* v = view();
    if (focus == FocusTarget::View && v && v->worksheetMode()) {
        AddClipboardFilesToWorksheet(*v);
        return;
    }
    if (focus == FocusTarget::Other || !frame_.shellTree_)
        return;
    PasteTarget target;
    target.owner = &frame_;
    target.tree = frame_.shellTree_;
    target.destination = frame_.shellTree_->GetSelectedPath();
    if (CListContainerWnd* lc = frame_.listContainer())
        target.folderView = lc->folderView();
    PasteClipboardFiles(target);
}

void CMainCommands::onSelectAll(int) {
    if (CThumbnailCtrl* v = view())
        v->SelectAll();
    frame_.listContainer()->setFocus();
    frame_.focusPane_ = 1;
}

void CMainCommands::onInvertSelection(int) {
    if (CThumbnailCtrl* v = view())
        v->InvertSelection();
    frame_.listContainer()->setFocus();
    frame_.focusPane_ = 1;
}

// ---- image -----------------------------------------------------------------------

void CMainCommands::onPreview(int) {
    if (CThumbnailCtrl* v = view())
        v->OpenViewer();
}

void CMainCommands::onCompare(int) {
    hooks_.compareSelection();
}

void CMainCommands::onAddToDefaultWorksheet(int) {
    hooks_.addSelectionTo(-1);
    // The cursor moves on as the Right key moves it, by a direct call: a
    // made-up key press would come back here when the One Key is that key.
    if (CThumbnailCtrl* v = view())
        v->MoveCursor(selection::NavKey::Right);
}

void CMainCommands::onAddToWorksheet(int id) {
    hooks_.addSelectionTo(id - toInt(CommandId::AddToWorksheet) + 1);
}

void CMainCommands::onOpenWithApplication(int id) {
    if (CThumbnailCtrl* v = view())
        OpenWithApplication(frame_.settings().AppList, id - toInt(CommandId::OpenWithApplication),
                            SelectedPaths(*v));
}

// ---- worksheet -------------------------------------------------------------------

void CMainCommands::onNewWorksheet(int) {
    hooks_.createWorksheet(QString());
}

void CMainCommands::onReadList(int) {
    const QString path =
        QFileDialog::getOpenFileName(&frame_, QString(), QString(), QString::fromUtf8(kListFilter));
    if (!path.isEmpty())
        hooks_.readList(path);
}

void CMainCommands::onSetDefaultWorksheet(int id) {
    hooks_.setDefaultWorksheet(id - toInt(CommandId::SetDefaultWorksheet) + 1);
}

void CMainCommands::onClearWorksheet(int) {
    if (ask(QStringLiteral("「%1」 に含まれる全てのオブジェクトを除外します。\nよろしいですか？")
                .arg(currentWorksheetName())))
        hooks_.clearCurrentWorksheet();
}

void CMainCommands::onCloseCurrentWorksheet(int) {
    if (ask(QStringLiteral("「%1」 をクローズします。\nよろしいですか？")
                .arg(currentWorksheetName())))
        hooks_.closeCurrentWorksheet();
}

void CMainCommands::onCloseAllWorksheets(int) {
    if (ask(QStringLiteral("全てのワークシートをクローズします。\nよろしいですか？")))
        hooks_.closeAllWorksheets();
}

void CMainCommands::onCloseWorksheet(int id) {
    const int i = id - toInt(CommandId::CloseWorksheet);
    const QStringList names = worksheetNames();
    if (i < 0 || i >= names.size())
        return;
    if (ask(QStringLiteral("「%1」 をクローズします。\nよろしいですか？").arg(names[i])))
        hooks_.closeWorksheet(i + 1);
}

void CMainCommands::onSaveList(int) {
    QFileDialog dialog(&frame_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QString::fromUtf8(kListFilter));
    dialog.setDefaultSuffix(QStringLiteral("lsl"));
    dialog.selectFile(currentWorksheetName() + QStringLiteral(".lsl"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    // A list that cannot be written is reported in the status bar only.
    if (!hooks_.saveCurrentAsList(dialog.selectedFiles().front()))
        frame_.statusBar()->showMessage(QStringLiteral("ファイルリストを保存できませんでした"),
                                        5000);
}

void CMainCommands::onExportWorksheet(int) {
    hooks_.exportCurrentWorksheet();
}

void CMainCommands::onSort(int id) {
    if (CThumbnailCtrl* v = view())
        v->SetSortMode(id == toInt(CommandId::SortByName)           ? 1
                       : id == toInt(CommandId::SortByShootingTime) ? 2
                                                                    : 3);
}

// ---- view ------------------------------------------------------------------------

void CMainCommands::onToggleFileType(int id) {
    const int bit = id == toInt(CommandId::ShowJpeg) ? 1 : id == toInt(CommandId::ShowRaw) ? 2 : 4;
    frame_.settings().FileType ^= bit;
    afterSettingsChange(true);
}

void CMainCommands::onThumbnailSize(int id) {
    int size = 3;
    switch (static_cast<CommandId>(id)) {
    case CommandId::ThumbnailSize160:
        size = 0;
        break;
    case CommandId::ThumbnailSize120:
        size = 1;
        break;
    case CommandId::ThumbnailSize100:
        size = 2;
        break;
    default:
        break;
    }
    frame_.settings().ThumbnailSize = size;
    afterSettingsChange(true);
}

void CMainCommands::onShowFileName(int) {
    frame_.settings().ShowFileName = frame_.settings().ShowFileName ? 0 : 1;
    afterSettingsChange(false);
}

void CMainCommands::onShowGuide(int) {
    frame_.settings().ShowGuide = frame_.settings().ShowGuide ? 0 : 1;
    afterSettingsChange(false);
}

void CMainCommands::onShowMiniPreview(int) {
    CTreeContainerWnd* tc = frame_.treeContainer();
    const bool show = !tc->miniPreviewShown();
    tc->SetMiniPreviewShown(show);
    frame_.settings().ShowMiniPreview = show ? 1 : 0;
    if (hooks_.miniPreviewShown)
        hooks_.miniPreviewShown(show);
}

void CMainCommands::onShowInfoWindow(int) {
    CListContainerWnd* lc = frame_.listContainer();
    const bool show = !lc->infoPaneShown();
    frame_.settings().ShowExifWindow = show ? 1 : 0;
    lc->SetInfoPaneShown(show);
    if (hooks_.infoPaneShown)
        hooks_.infoPaneShown(show);
}

void CMainCommands::onHistogramMode(int id) {
    frame_.settings().HistogramMode = id == toInt(CommandId::HistogramRgb) ? 1 : 0;
    afterSettingsChange(false);
}

void CMainCommands::onSizeLimiter(int) {
    frame_.settings().SizeLimitter = frame_.settings().SizeLimitter ? 0 : 1;
    afterSettingsChange(true);
}

void CMainCommands::onSlideShow(int) {
    hooks_.toggleSlideShow();
}

void CMainCommands::onRefresh(int) {
    frame_.refreshing_ = true;
    if (frame_.shellTree_)
        frame_.shellTree_->Refresh();
    if (CThumbnailCtrl* v = view())
        v->Refresh();
    frame_.refreshing_ = false;
}

// ---- help and keys ---------------------------------------------------------------

void CMainCommands::onHomePage(int) {
    QDesktopServices::openUrl(homePageUrl());
}

void CMainCommands::onAbout(int) {
    CAboutDlg dialog(&frame_);
    dialog.exec();
}

void CMainCommands::onSwitchPane(int) {
    if (frame_.focusPane_ == 0) {
        frame_.listContainer()->setFocus(Qt::TabFocusReason);
        frame_.focusPane_ = 1;
    } else if (frame_.shellTree_) {
        frame_.shellTree_->setFocus(Qt::TabFocusReason);
        frame_.focusPane_ = 0;
    }
}

void CMainCommands::onCycleTab(int id) {
    hooks_.cycleTab(id == toInt(CommandId::NextTab) ? +1 : -1);
}

// ---- the view's own commands --------------------------------------------------------

void CMainCommands::onViewCommand(CThumbnailCtrl* v, int id) {
    if (!v)
        return;
    switch (id) {
    case ID_THUMB_CUT:
        CopySelectionToClipboard(*v, DROPEFFECT_MOVE);
        break;
    case ID_THUMB_COPY:
        CopySelectionToClipboard(*v, DROPEFFECT_COPY);
        break;
    case ID_THUMB_DELETE:
        DeleteItems(*v, &frame_, QString());
        break;
    case ID_THUMB_PROPERTIES:
        ShowItemProperties(*v, &frame_);
        break;
    case ID_THUMB_OPENFIRSTAPP:
        OpenWithApplication(frame_.settings().AppList, 0, SelectedPaths(*v));
        break;
    default:
        run(id);
        return;
    }
    updateStates();
}

} // namespace lumora
