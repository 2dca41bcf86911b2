// Tool bars, address box, status bar and the commands the main window runs.
#include "app/MainFrame.h"

#include "app/ListContainerWnd.h"
#include "app/MainCommands.h"
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

void CMainFrame::createBars() {
    // Menu 128, tool bars 170, 161 and 128 and the accelerators, all from
    // the command table.
    commands_ = new CMainCommands(*this);
    commands_->build();
    commands_->hooks().runSettingsDialog = [this] { OnAppSetting(); };

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
    for (int i = 2; i < 4; ++i) {
        pane_[i]->setFixedWidth(widths[i]);
        pane_[i]->setFrameShape(QFrame::StyledPanel);
        pane_[i]->setFrameShadow(QFrame::Sunken);
        bar->addPermanentWidget(pane_[i]);
    }
    // The count pane as designed, widened to what this system's font needs
    // for a five-digit count; longer texts widen it when they come.
    pane_[3]->setText(countStatusText(88888));
    fitStatusPane(3);
    pane_[3]->clear();
    pane_[1]->hide();
    setStatusPane(0, selectionStatusText(selectedCount_));
    // Menu and button prompts pass; the idle text comes back after them.
    connect(bar, &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty())
            setStatusPane(0, selectionStatusText(selectedCount_));
    });
}

void CMainFrame::setStatusPane(int pane, const QString& text) {
    if (pane >= 0 && pane < 4 && pane_[pane]) {
        pane_[pane]->setText(text);
        if (pane == 3)
            fitStatusPane(3);
    }
}

void CMainFrame::fitStatusPane(int pane) {
    // Measured from the text itself (margins, frame and indent included),
    // so no count is ever cut; the pane only grows.
    QLabel* label = pane_[pane];
    const int needed = label->sizeHint().width();
    if (needed > label->maximumWidth())
        label->setFixedWidth(needed);
}

QString CMainFrame::statusPaneText(int pane) const {
    if (pane == 1)
        return progress_ ? progress_->text() : QString();
    return pane >= 0 && pane < 4 && pane_[pane] ? pane_[pane]->text() : QString();
}

QToolBar* CMainFrame::toolBar(int id) const {
    return commands_ ? commands_->toolBar(id) : nullptr;
}

QAction* CMainFrame::commandAction(int id) const {
    return commands_ ? commands_->action(id) : nullptr;
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
    return commands_ && commands_->enabled(id);
}

void CMainFrame::updateCommandStates() {
    if (commands_)
        commands_->updateStates();
}

bool CMainFrame::runCommand(int id) {
    return commands_ && commands_->run(id);
}

} // namespace lumora
