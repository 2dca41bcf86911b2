// The mark commands of the main window: ratings, labels and reject for the
// selected items of the current view (or its cursor's item), and undo.
#include "app/MainCommands.h"

#include "app/ListContainerWnd.h"
#include "app/MainFrame.h"
#include "app/MarkActions.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/ThumbnailMessages.h"

#include <QMessageBox>
#include <QStatusBar>

#include <algorithm>

namespace lumora {

namespace {

MarkChange changeFor(int id) {
    if (id >= toInt(CommandId::Rating0) && id <= toInt(CommandId::Rating0) + 5)
        return MarkChange::Rating(id - toInt(CommandId::Rating0));
    if (id >= toInt(CommandId::LabelRed) && id <= toInt(CommandId::LabelPurple))
        return MarkChange::Label(
            static_cast<ColorLabel>(id - toInt(CommandId::LabelRed) + int(ColorLabel::Red)));
    return MarkChange::ToggleReject();
}

} // namespace

CMarkActions& CMainCommands::markActions() {
    if (!marks_) {
        marks_ = std::make_unique<CMarkActions>(
            [this](const std::string& path, const Marks& marks, const std::string& sidecar) {
                // Every tab showing the file: the folder tab and worksheets.
                if (hooks_.marksChanged)
                    hooks_.marksChanged(path, marks);
                CListContainerWnd* lc = frame_.listContainer();
                if (!lc)
                    return;
                for (int t = 0; t < lc->tabCount(); ++t) {
                    CThumbnailCtrl* v = lc->view(t);
                    if (!v || !v->list().SetMarksByPath(path, marks, sidecar))
                        continue;
                    const int index = v->list().FindByPath(path);
                    if (index >= 0)
                        v->DrawItem(index);
                    if (index == v->cursor())
                        v->UpdateCurrentItem();
                }
            });
    }
    return *marks_;
}

void CMainCommands::warnMarks(const QStringList& failures) {
    if (failures.isEmpty())
        return;
    const QString text = markFailureText(failures);
    if (hooks_.warn) {
        hooks_.warn(text);
        return;
    }
    QMessageBox::warning(&frame_, QStringLiteral("Lumora"), text);
}

void CMainCommands::onMark(int id) {
    CThumbnailCtrl* v = view();
    if (!v)
        return;
    const std::vector<MarkTarget> targets = v->list().CollectMarkTargets(v->cursor());
    const SidecarNaming naming =
        frame_.settings().SidecarName ? SidecarNaming::FullName : SidecarNaming::Stem;
    const CMarkActions::Outcome out = markActions().apply(targets, changeFor(id), naming);
    if (frame_.settings().MoveAfterMark && out.failures.isEmpty())
        v->MoveCursor(selection::NavKey::Right);
    scheduleUpdate();
    warnMarks(out.failures);
}

void CMainCommands::onUndoMark(int) {
    const CMarkActions::Outcome out = markActions().undo();
    scheduleUpdate();
    warnMarks(out.failures);
}

void CMainCommands::onMarkFilter(int id) {
    CThumbnailCtrl* v = view();
    if (!v)
        return;
    MarkFilter f = v->list().markFilter();
    if (id == toInt(CommandId::FilterOff)) {
        f = MarkFilter{};
    } else if (id == toInt(CommandId::FilterHideRejects)) {
        f.hideRejects = !f.hideRejects;
    } else if (id >= toInt(CommandId::FilterLabelRed)) {
        const auto label = static_cast<ColorLabel>(id - toInt(CommandId::FilterLabelRed) + 1);
        f.label = f.label == label ? ColorLabel::None : label;
    } else {
        const int stars = id - toInt(CommandId::FilterMinRating1) + 1;
        f.minRating = f.minRating == stars ? 0 : stars;
    }
    applyMarkFilter(v, f);
    const int n = v->list().Count();
    const int hidden = v->list().HiddenCount();
    if (QStatusBar* bar = frame_.statusBar())
        bar->showMessage(
            f.active() ? QStringLiteral("絞り込み: %1 個を表示、%2 個を非表示").arg(n).arg(hidden)
                       : QStringLiteral("%1 個を表示").arg(n),
            0);
}

void CMainCommands::applyMarkFilter(CThumbnailCtrl* v, const MarkFilter& f) {
    ImageItemList& list = v->list();
    list.ApplyMarkFilter(f);
    // As after a removal: the cursor stays in range, the view and its tab's
    // count are redrawn.
    const int n = list.Count();
    int c = std::min(v->cursor(), n - 1);
    if (c < 0 && n > 0)
        c = 0;
    v->SetCursorIndex(c);
    if (c >= 0)
        list.SetStateBits(c, kStateCursor);
    v->UpdateCurrentItem();
    v->LayoutScrollBars();
    v->DrawVisibleItems();
    v->PaintBackground();
    if (n == 0)
        v->DrawEmptyPlaceholder();
    PostNew<CountChangedMessage>(v->container());
    frame_.updateCountPane();
    scheduleUpdate();
}

void CMainCommands::reapplyMarkFilters() {
    CListContainerWnd* lc = frame_.listContainer();
    if (!lc)
        return;
    for (int t = 0; t < lc->tabCount(); ++t) {
        CThumbnailCtrl* v = lc->view(t);
        if (!v)
            continue;
        const MarkFilter f = v->list().markFilter();
        if (f.active())
            applyMarkFilter(v, f);
    }
}

} // namespace lumora
