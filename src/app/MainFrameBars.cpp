// Tool bars, address box, status bar and the commands the main window runs.
#include "app/MainFrame.h"

#include "app/ListContainerWnd.h"
#include "app/StatusTexts.h"
#include "app/TreeContainerWnd.h"
#include "controls/TextProgressCtrl.h"
#include "foldertree/BrowseCombo.h"
#include "foldertree/ShellTreeCtrl.h"
#include "platform/ClipboardFiles.h"
#include "resources/ToolIcons.h"
#include "thumbnails/ThumbnailCtrl.h"

#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <algorithm>

namespace lumora {

namespace {

struct CommandText {
    int id;
    const char* text; // prompt \n tool tip
};

// Prompts and tool tips of the tool-bar commands.
const CommandText kCommandTexts[] = {
    {32785, "JPEGファイルを表示\nJPEGを表示"},
    {32784, "RAWファイルを表示\nRAWを表示"},
    {32786, "各種ファイルを表示\n各種を表示"},
    {32790, "ワークシートの新規作成\n新規作成"},
    {32793, "ワークシートをファイルシステムとして保存\nファイルシステムとして保存"},
    {32794, "現在のワークシートをクローズ\nクローズ"},
    {32795, "現在のワークシート内をクリア\nクリア"},
    {32905, "ウインドウを最新の情報に更新\n最新の情報に更新"},
    {32908, "すべてのワークシートをクローズ\n全クローズ"},
    {32910, "ワークシートをファイルリストとして保存\nファイルリストとして保存"},
    {32915, "ワークシートの読み込み\n読み込み"},
    {32920, "現在のワークシート内をファイル名でソート\nファイル名でソート"},
    {32928, "選択されたファイルまたはフォルダを削除\n削除"},
    {36011, "スライドショーを実行\nスライドショー"},
    {36018, "現在のワークシート内を撮影時刻でソート\n撮影時刻でソート"},
    {36021, "デフォルトワークシートへ追加\nデフォルトワークシートへ追加"},
    {57634, "選択オブジェクトをコピーしてクリップボードﾞに保存\nコピー"},
    {57635, "選択範囲を切り取ってクリップボードに保存\n切り取り"},
    {57637, "クリップボードの内容を貼り付け\n貼り付け"},
};

QString commandText(int id, int part) {
    for (const CommandText& c : kCommandTexts)
        if (c.id == id)
            return QString::fromUtf8(c.text).section(QLatin1Char('\n'), part, part);
    return QString();
}

// Button order of the three bars; 0 is a separator.
const int kBar170[] = {32928, 0, 57635, 57634, 57637};
const int kBar161[] = {36021, 0, 32790, 32915, 0, 32794, 32908,
                       32795, 0, 32910, 32793, 0, 32920, 36018};
const int kBar128[] = {32785, 32784, 32786, 0, 36011, 32905};

// Commands whose buttons can be checked.
bool checkable(int id) {
    return id == 32785 || id == 32784 || id == 32786 || id == 32920 || id == 36018 || id == 36011;
}

} // namespace

void CMainFrame::createBars() {
    auto makeBar = [this](int id, const int* buttons, std::size_t n) {
        auto* bar = new QToolBar(this);
        bar->setObjectName(QStringLiteral("ToolBar%1").arg(id));
        bar->setWindowTitle(bar->objectName());
        bar->setMovable(true);
        bar->setFloatable(false);
        bar->setIconSize(QSize(16, 16));
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        bar->setStyleSheet(QStringLiteral("QToolButton { padding: 2px; }"));
        for (std::size_t i = 0; i < n; ++i) {
            if (buttons[i] == 0) {
                bar->addSeparator();
                continue;
            }
            const int cmd = buttons[i];
            QAction* a = bar->addAction(toolIcon(cmd), commandText(cmd, 1));
            a->setObjectName(QStringLiteral("ID%1").arg(cmd));
            a->setData(cmd);
            a->setToolTip(commandText(cmd, 1));
            a->setStatusTip(commandText(cmd, 0));
            a->setCheckable(checkable(cmd));
            connect(a, &QAction::triggered, this, [this, cmd, a] {
                // A checkable button flips itself; the command sets its state.
                if (a->isCheckable())
                    a->setChecked(!a->isChecked());
                runCommand(cmd);
            });
        }
        addToolBar(Qt::TopToolBarArea, bar);
        return bar;
    };
    bar170_ = makeBar(170, kBar170, std::size(kBar170));
    bar161_ = makeBar(161, kBar161, std::size(kBar161));
    bar128_ = makeBar(128, kBar128, std::size(kBar128));

    // The address box on its own row, labelled "フォルダ".
    addToolBarBreak(Qt::TopToolBarArea);
    addressBar_ = new QToolBar(this);
    addressBar_->setObjectName(QStringLiteral("AddressBar"));
    addressBar_->setWindowTitle(QStringLiteral("フォルダ"));
    addressBar_->setFloatable(false);
    auto* label = new QLabel(QStringLiteral("フォルダ"), addressBar_);
    label->setContentsMargins(4, 0, 6, 0);
    addressBar_->addWidget(label);
    auto* browseCombo = new CBrowseCombo(addressBar_);
    addressBox_ = browseCombo;
    addressBox_->setObjectName(QStringLiteral("BrowseCombo"));
    addressBox_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    addressBox_->setMinimumContentsLength(40);
    addressBar_->addWidget(addressBox_);
    addToolBar(Qt::TopToolBarArea, addressBar_);
    connect(browseCombo, &CBrowseCombo::pathEntered, this, &CMainFrame::selectByPath);

    // Accelerators.
    auto shortcut = [this](QKeySequence key, int cmd) {
        auto* s = new QShortcut(key, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, [this, cmd] { runCommand(cmd); });
    };
    shortcut(QKeySequence(Qt::Key_F5), 32905);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_A), 32903);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_C), 57634);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_X), 57635);

    // Idle update of the button states.
    auto* idle = new QTimer(this);
    idle->setInterval(250);
    connect(idle, &QTimer::timeout, this, &CMainFrame::updateCommandStates);
    idle->start();
    updateCommandStates();
}

void CMainFrame::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    const int widths[4] = {50, 100, 250, 110};
    for (int i = 0; i < 4; ++i) {
        pane_[i] = new QLabel(bar);
        pane_[i]->setObjectName(QStringLiteral("StatusPane%1").arg(i));
        pane_[i]->setContentsMargins(4, 0, 4, 0);
    }
    pane_[0]->setMinimumWidth(widths[0]);
    bar->addWidget(pane_[0], 1);
    // Pane 1 holds the progress bar with its text.
    progress_ = new CTextProgressCtrl(bar, 3003);
    progress_->setFixedWidth(widths[1]);
    bar->addPermanentWidget(progress_);
    // Pane widths as designed, widened where this system's font needs more
    // room for the pane's longest text.
    const QFontMetrics fm(pane_[3]->font());
    const int countWidth = fm.horizontalAdvance(countStatusText(-1)) + 16;
    for (int i = 2; i < 4; ++i) {
        pane_[i]->setFixedWidth(i == 3 ? std::max(widths[i], countWidth) : widths[i]);
        pane_[i]->setFrameShape(QFrame::StyledPanel);
        pane_[i]->setFrameShadow(QFrame::Sunken);
        bar->addPermanentWidget(pane_[i]);
    }
    pane_[1]->hide();
    setStatusPane(0, selectionStatusText(selectedCount_));
    // Menu and button prompts pass; the idle text comes back after them.
    connect(bar, &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty())
            setStatusPane(0, selectionStatusText(selectedCount_));
    });
}

void CMainFrame::setStatusPane(int pane, const QString& text) {
    if (pane >= 0 && pane < 4 && pane_[pane])
        pane_[pane]->setText(text);
}

QString CMainFrame::statusPaneText(int pane) const {
    if (pane == 1)
        return progress_ ? progress_->text() : QString();
    return pane >= 0 && pane < 4 && pane_[pane] ? pane_[pane]->text() : QString();
}

QToolBar* CMainFrame::toolBar(int id) const {
    switch (id) {
    case 170:
        return bar170_;
    case 161:
        return bar161_;
    case 128:
        return bar128_;
    default:
        return nullptr;
    }
}

QAction* CMainFrame::commandAction(int id) const {
    return findChild<QAction*>(QStringLiteral("ID%1").arg(id));
}

void CMainFrame::onClipboardChanged() {
    const auto files = filesFromClipboard();
    // A clipboard without files leaves the pane as it was.
    if (!files || files->paths.isEmpty())
        return;
    const QFontMetrics fm(pane_[2] ? pane_[2]->font() : font());
    const QString first = fm.elidedText(files->paths.front(), Qt::ElideMiddle, 200);
    setStatusPane(2, clipboardStatusText(files->dropEffect, int(files->paths.size()), first));
}

// ---- commands ------------------------------------------------------------------

bool CMainFrame::commandEnabled(int id) const {
    if (const auto enabled = workSheetCommandEnabled(id))
        return *enabled;
    const CThumbnailCtrl* view = listContainer_ ? listContainer_->currentView() : nullptr;
    const bool worksheet = listContainer_ && !listContainer_->folderTabCurrent();
    const bool focusOnView = view && focusPane_ == 1;
    switch (id) {
    case 32785:
    case 32784:
    case 32786:
    case 32962:
        return !worksheet;
    case 32905: // refresh
    case 32903: // select all
    case 32993:
    case 32980:
        return true;
    case 57634: // copy and cut: the view's selection onto the clipboard
    case 57635:
        return focusOnView && const_cast<CThumbnailCtrl*>(view)->list().CountSelected() > 0;
    case 32920:
        return view != nullptr;
    case 36018:
        return view && !const_cast<CThumbnailCtrl*>(view)->IsBusy();
    default:
        // Worksheets, file operations and the slideshow are not available yet.
        return false;
    }
}

void CMainFrame::updateCommandStates() {
    const CThumbnailCtrl* view = listContainer_ ? listContainer_->currentView() : nullptr;
    const bool worksheet = listContainer_ && !listContainer_->folderTabCurrent();
    for (QToolBar* bar : {bar170_, bar161_, bar128_}) {
        if (!bar)
            continue;
        for (QAction* a : bar->actions()) {
            const int id = a->data().toInt();
            if (id == 0)
                continue;
            a->setEnabled(commandEnabled(id));
            bool checked = false;
            switch (id) {
            case 32785:
                checked = !worksheet && (settings_.FileType & 1);
                break;
            case 32784:
                checked = !worksheet && (settings_.FileType & 2);
                break;
            case 32786:
                checked = !worksheet && (settings_.FileType & 4);
                break;
            case 32920:
                checked = view && view->sortState() == 1 && worksheet;
                break;
            case 36018:
                checked = view && view->sortState() == 2;
                break;
            default:
                break;
            }
            if (a->isCheckable() && a->isChecked() != checked)
                a->setChecked(checked);
        }
    }
}

bool CMainFrame::runCommand(int id) {
    // A command runs only when its enable rule allows it at this moment.
    if (!commandEnabled(id)) {
        updateCommandStates();
        return false;
    }
    if (workSheetCommandEnabled(id)) {
        runWorkSheetCommand(id);
        updateCommandStates();
        return true;
    }
    CThumbnailCtrl* view = listContainer_->currentView();
    switch (id) {
    case 32785:
        toggleFileType(1);
        break;
    case 32784:
        toggleFileType(2);
        break;
    case 32786:
        toggleFileType(4);
        break;
    case 32905:
        refreshing_ = true;
        if (shellTree_)
            shellTree_->Refresh();
        if (view)
            view->Refresh();
        refreshing_ = false;
        break;
    case 32903:
        if (view)
            view->SelectAll();
        listContainer_->setFocus();
        focusPane_ = 1;
        break;
    case 32993:
        if (view)
            view->InvertSelection();
        listContainer_->setFocus();
        focusPane_ = 1;
        break;
    case 32980:
        if (focusPane_ == 0) {
            listContainer_->setFocus();
            focusPane_ = 1;
        } else if (treeContainer_->tree()) {
            treeContainer_->tree()->setFocus();
            focusPane_ = 0;
        }
        break;
    case 57634:
        copySelection(false);
        break;
    case 57635:
        copySelection(true);
        break;
    case 32920:
        if (view)
            view->SetSortMode(1);
        break;
    case 36018:
        if (view)
            view->SetSortMode(2);
        break;
    default:
        break;
    }
    updateCommandStates();
    return true;
}

void CMainFrame::toggleFileType(int bit) {
    settings_.FileType ^= bit;
    ApplySettings(true);
}

void CMainFrame::copySelection(bool cut) {
    CThumbnailCtrl* view = listContainer_->currentView();
    if (!view)
        return;
    std::vector<std::string> paths;
    view->list().CollectSelected(paths, true);
    QStringList files;
    for (const std::string& p : paths)
        files << QString::fromStdString(p);
    putFilesOnClipboard(files, cut ? DROPEFFECT_MOVE : DROPEFFECT_COPY);
}

} // namespace lumora
