// The main window's private messages: status panes, progress, the folder
// tree's selection, and the pane that last had the focus.
#include "app/MainFrame.h"

#include "app/ListContainerWnd.h"
#include "app/MainCommands.h"
#include "app/MainFrameMessages.h"
#include "app/StatusTexts.h"
#include "app/TreeContainerWnd.h"
#include "controls/PaneFocusMessage.h"
#include "controls/TextProgressCtrl.h"
#include "engine/EngineMessages.h"
#include "engine/ThumbnailView.h"
#include "foldertree/ShellTreeCtrl.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/ThumbnailMessages.h"
#include "viewer/MiniPreviewCtrl.h"

#include <QMessageBox>

namespace lumora {

void CMainFrame::updateCountPane() {
    CThumbnailCtrl* view = listContainer_ ? listContainer_->currentView() : nullptr;
    setStatusPane(3, view ? countStatusText(view->Count(), view->list().HiddenCount())
                          : countStatusText(-1));
}

bool CMainFrame::handleMessage(QEvent* e) {
    if (workSheetEvent(e))
        return true;
    if (MessageCast<TreeSelChangedMessage>(e)) {
        onTreeSelChanged();
    } else if (MessageCast<ListTitleCountMessage>(e)) {
        if (listContainer_->folderTabCurrent())
            setTitleFromFolder(currentFolderPath_);
        else
            setWindowTitle(
                QStringLiteral("Lumora - %1").arg(listContainer_->GetCurrentWorksheetName()));
        updateCountPane();
    } else if (auto* m = MessageCast<ThumbCountMessage>(e)) {
        CThumbnailCtrl* view = listContainer_->currentView();
        setStatusPane(3, countStatusText(m->count, view ? view->list().HiddenCount() : 0));
    } else if (auto* m = MessageCast<ThumbPhaseMessage>(e)) {
        // The end of a listing or of a scan: the marks read since decide
        // what a kept filter shows.
        if (m->phase == 0 && commands_)
            commands_->reapplyMarkFilters();
        // Phase 0 empties the pane; an empty pane shows the idle text with
        // the last selection count (a count sent during the phase stays).
        if (const auto text = phaseStatusText(m->phase))
            setStatusPane(0, text->isEmpty() ? selectionStatusText(selectedCount_) : *text);
    } else if (auto* m = MessageCast<SelCountMessage>(e)) {
        if (m->count != -1) {
            selectedCount_ = m->count;
            setStatusPane(0, selectionStatusText(selectedCount_));
        }
    } else if (auto* m = MessageCast<ThumbProgressMessage>(e)) {
        if (m->tabIndex == listContainer_->currentIndex()) {
            if (m->done == m->total) {
                progress_->SetWindowText(QString());
                progress_->SetPos(0);
            } else {
                progress_->SetWindowText(progressStatusText(m->done, m->total));
                progress_->SetRange(0, m->total);
                progress_->SetPos(m->done);
            }
        }
        if (m->done == m->total && waitingForFirstLoad_) {
            waitingForFirstLoad_ = false;
            endStartupWork();
        }
    } else if (MessageCast<ThumbMissingMessage>(e)) {
        tell(QMessageBox::Information,
             QStringLiteral("ワークシート内のサムネイルでファイルが存在しないものが"
                            "あります。これらはワークートから除外されます。"));
    } else if (auto* m = MessageCast<PaneFocusMessage>(e)) {
        focusPane_ = m->pane == PaneFocusMessage::ThumbnailView ? 1 : 0;
    } else if (auto* m = MessageCast<ThumbViewCountMessage>(e)) {
        listContainer_->SetTabCount(m->tabIndex, m->count);
    } else if (auto* current = MessageCast<CurrentItemMessage>(e)) {
        // The view's current item, shown in the mini preview.
        auto* mini = treeContainer_ ? qobject_cast<CMiniPreviewCtrl*>(treeContainer_->miniPreview())
                                    : nullptr;
        if (mini && current->record)
            mini->SetItem(std::move(current->record->item));
    } else if (MessageCast<ListClearedMessage>(e)) {
        // The viewer takes this once it exists.
    } else if (MessageCast<NoCursorMessage>(e)) {
        // An empty folder: nothing more will arrive for the first load.
        if (waitingForFirstLoad_) {
            waitingForFirstLoad_ = false;
            endStartupWork();
        }
    } else {
        return false;
    }
    return true;
}

} // namespace lumora
