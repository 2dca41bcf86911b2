#include "app/ViewerLink.h"

#include "app/ExternalApps.h"
#include "app/ListContainerWnd.h"
#include "app/MainCommands.h"
#include "app/MainFrame.h"
#include "app/MainFrameMessages.h"
#include "app/MarkActions.h"
#include "foldertree/ShellTreeCtrl.h"
#include "settings/SettingsStore.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/ThumbnailMessages.h"
#include "viewer/PreviewCtrl.h"
#include "viewer/ViewerFrame.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <string>
#include <vector>

namespace lumora {

namespace {

const QString kSection = QStringLiteral("ViewerSettings");

} // namespace

CViewerLink::CViewerLink(CMainFrame* main) : QObject(main), main_(main) {
    setObjectName(QStringLiteral("ViewerLink"));
    viewer_ = new CViewerFrame(main);
    viewer_->setWindowIcon(main->windowIcon());
    viewer_->resize(1024, 720);
    // Once the viewer is hidden, the main window takes the keyboard back (no
    // window would have it otherwise); its own focus returns to the pane
    // that had it. Queued: the viewer hides after announcing its closing.
    connect(viewer_, &CViewerFrame::closing, this, &CViewerLink::returnKeyboard,
            Qt::QueuedConnection);

    ViewerListSource source;
    source.next = [this] {
        if (CThumbnailCtrl* v = view())
            v->NextItem();
    };
    source.previous = [this] {
        if (CThumbnailCtrl* v = view())
            v->PreviousItem();
    };
    source.openAt = [this](int index) {
        if (CThumbnailCtrl* v = view())
            v->GoToItem(index);
    };
    source.copyItem = [this](int index, ImageItem& out) {
        CThumbnailCtrl* v = view();
        if (!v || !v->list().CopyOut(index, out, CopyPixels::ThumbnailOnly))
            return false;
        // The RAW preview's position is read with the shooting information.
        if (!out.exifScanned)
            v->list().ScanInfoById(out);
        return true;
    };
    source.selectedCount = [this] {
        CThumbnailCtrl* v = view();
        return v ? v->list().CountSelected() : 0;
    };
    source.count = [this] {
        CThumbnailCtrl* v = view();
        return v ? v->Count() : 0;
    };
    // Deleting goes through the view that supplied the image; it answers
    // whether something changed, and the file is gone either way when it did.
    source.deleteItem = [this](const QString& path) {
        CThumbnailCtrl* v = view();
        if (!v)
            return false;
        DeleteItemsMessage m;
        m.owner = viewer_;
        m.path = path.toStdString();
        Send(v, m);
        return m.result || !QFileInfo::exists(path);
    };
    source.openCurrent = [this] {
        if (CThumbnailCtrl* v = view()) {
            OpenCurrentMessage m;
            m.owner = viewer_;
            Send(v, m);
        }
    };
    viewer_->SetListSource(std::move(source));

    ViewerHooks hooks;
    hooks.smartRenderingChanged = [this](bool on) {
        main_->settings().SmartRendering = on ? 1 : 0;
    };
    hooks.showPreimageChanged = [this](bool on) { main_->settings().ShowPreimage = on ? 1 : 0; };
    hooks.fullScreenChanged = [this](bool on) { main_->settings().FullScreen = on ? 1 : 0; };
    hooks.readPlacement = [this]() -> std::optional<ViewerPlacement> {
        CIniFile ini;
        if (ini.load(main_->settingsPath()) != CIniFile::LoadResult::Loaded)
            return std::nullopt;
        const QRect g = viewer_->geometry();
        ViewerPlacement p;
        p.cmd = ini.readInt(kSection, QStringLiteral("cmd"), 1);
        p.left = ini.readInt(kSection, QStringLiteral("left"), g.left());
        p.top = ini.readInt(kSection, QStringLiteral("top"), g.top());
        p.right = ini.readInt(kSection, QStringLiteral("right"), g.width());
        p.bottom = ini.readInt(kSection, QStringLiteral("bottom"), g.height());
        return p;
    };
    hooks.writePlacement = [this](const ViewerPlacement& p) {
        updateSettingsFile(main_->settingsPath(), [&](CIniFile& ini) {
            ini.writeInt(kSection, QStringLiteral("left"), p.left);
            ini.writeInt(kSection, QStringLiteral("top"), p.top);
            ini.writeInt(kSection, QStringLiteral("right"), p.right);
            ini.writeInt(kSection, QStringLiteral("bottom"), p.bottom);
            ini.writeInt(kSection, QStringLiteral("cmd"), p.cmd);
        });
    };
    hooks.openWith = [this](int app, const QString& path) {
        OpenWithApplication(main_->settings().AppList, app, {path});
    };
    // Worksheets and the slideshow are reached through the main window's
    // command hooks, looked up at each call: whoever plugs them in there
    // serves the viewer too.
    hooks.worksheetNames = [this] {
        const CommandHooks& h = main_->commands().hooks();
        return h.worksheetNames ? h.worksheetNames() : QStringList();
    };
    // The shown image alone goes to the worksheet, whatever else the view
    // has selected; added to the current tab it is scanned and selected
    // there, as the selection would be.
    hooks.addToWorksheet = [this](int sheet, const QString& path) {
        CListContainerWnd* list = main_->listContainer();
        if (list && !path.isEmpty())
            list->AddFilesTo(sheet, {path}, sheet == list->currentIndex());
    };
    hooks.slideshowRunning = [this] {
        const CommandHooks& h = main_->commands().hooks();
        return h.slideShowRunning && h.slideShowRunning();
    };
    hooks.toggleSlideshow = [this] {
        const CommandHooks& h = main_->commands().hooks();
        if (h.toggleSlideShow)
            h.toggleSlideShow();
    };
    hooks.stopSlideshow = [this] {
        // The toggle stops a running show.
        const CommandHooks& h = main_->commands().hooks();
        if (h.slideShowRunning && h.slideShowRunning() && h.toggleSlideShow)
            h.toggleSlideShow();
    };
    // The viewer's mark keys mark the shown file through the main window's
    // marks, so the view shows them and Ctrl+Z in either window undoes them.
    hooks.mark = [this](const QString& path,
                        std::optional<MarkChange> change) -> std::optional<Marks> {
        CMainCommands& commands = main_->commands();
        const std::string file = path.toStdString();
        CMarkActions::Outcome out;
        if (change) {
            MarkTarget target{0, file, ReadImageMarks(file)};
            if (CThumbnailCtrl* v = view()) {
                const int index = v->list().FindByPath(file);
                ImageItem item;
                if (index >= 0 && v->list().CopyOut(index, item, CopyPixels::None) &&
                    item.marksScanned)
                    target.marks = item.marks;
            }
            const SidecarNaming naming =
                main_->settings().SidecarName ? SidecarNaming::FullName : SidecarNaming::Stem;
            out = commands.markActions().apply({target}, *change, naming);
        } else {
            out = commands.markActions().undo();
        }
        commands.scheduleUpdate();
        commands.warnMarks(out.failures);
        if (!out.failures.isEmpty())
            return std::nullopt;
        return ReadImageMarks(file);
    };
    // Marks set in the main window (or undone there) show in the viewer's
    // pane when it shows that file.
    main_->commands().hooks().marksChanged = [this](const std::string& path, const Marks& marks) {
        if (viewer_ && viewer_->activeFilePath().toStdString() == path)
            viewer_->SetMarks(marks);
    };

    // "比較表示": the selected items, two to four, side by side in the viewer
    // (from the main window's command and from key C in the viewer).
    auto compareSelection = [this] {
        CThumbnailCtrl* v = view();
        if (!v)
            return;
        const int selected = v->list().CountSelected();
        if (selected < 2 || selected > 4)
            return;
        std::vector<std::string> paths;
        v->list().CollectSelected(paths, true);
        std::vector<int> indices;
        for (const std::string& path : paths)
            if (const int i = v->list().FindByPath(path); i >= 0)
                indices.push_back(i);
        std::sort(indices.begin(), indices.end());
        viewer_->ShowCompare(indices);
    };
    hooks.compareSelection = compareSelection;
    viewer_->SetHooks(std::move(hooks));
    main_->commands().hooks().compareSelection = compareSelection;

    if (CListContainerWnd* list = main_->listContainer())
        list->installEventFilter(this);
    main_->installEventFilter(this);
    ApplySettings(main_->settings());
}

CViewerLink::~CViewerLink() = default;

CViewerLink* CViewerLink::Of(const QObject* main) {
    return main ? main->findChild<CViewerLink*>(QStringLiteral("ViewerLink"),
                                                Qt::FindDirectChildrenOnly)
                : nullptr;
}

CThumbnailCtrl* CViewerLink::view() const {
    CListContainerWnd* list = main_->listContainer();
    return list ? list->currentView() : nullptr;
}

void CViewerLink::returnKeyboard() {
    if (viewer_->isVisible() || !main_->isVisible())
        return;
    main_->activateWindow();
    if (!main_->focusWidget())
        if (CThumbnailCtrl* v = view())
            v->setFocus(Qt::ActiveWindowFocusReason);
}

void CViewerLink::ApplySettings(const AppSettings& settings) {
    if (viewer_)
        viewer_->ApplySettings(settings);
}

bool CViewerLink::eventFilter(QObject* watched, QEvent* e) {
    if (watched == main_->listContainer()) {
        if (auto* m = MessageCast<OpenViewerMessage>(e)) {
            std::unique_ptr<ThumbItemRecord> record = std::move(m->record);
            if (record && viewer_) {
                // The orientation and the RAW preview's position come with
                // the shooting information, which a thumbnail made by
                // decoding the file does not wait for.
                if (!record->item.exifScanned)
                    if (CThumbnailCtrl* v = view())
                        v->list().ScanInfoById(record->item);
                viewer_->ShowItem(record->item, record->index, record->count);
            }
            return true;
        }
    } else if (watched == main_ && viewer_) {
        // The main window goes on to handle these too.
        if (MessageCast<ListClearedMessage>(e))
            viewer_->ListCleared();
        else if (MessageCast<TreeSelChangedMessage>(e) || MessageCast<ListTitleCountMessage>(e))
            // Another folder or another tab: the neighbours decoded ahead
            // belong to the old list.
            viewer_->preview()->DropPrefetched();
    }
    return QObject::eventFilter(watched, e);
}

} // namespace lumora
