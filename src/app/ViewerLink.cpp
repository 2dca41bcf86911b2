#include "app/ViewerLink.h"

#include "app/ListContainerWnd.h"
#include "app/MainFrame.h"
#include "app/SettingsStore.h"
#include "platform/Messages.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/ThumbnailMessages.h"
#include "viewer/PreviewCtrl.h"
#include "viewer/ViewerFrame.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace lumora {

namespace {

const QString kSection = QStringLiteral("ViewerSettings");

} // namespace

CViewerLink::CViewerLink(CMainFrame* main) : QObject(main), main_(main) {
    setObjectName(QStringLiteral("ViewerLink"));
    viewer_ = new CViewerFrame(main);
    viewer_->setWindowIcon(main->windowIcon());
    viewer_->resize(800, 600);

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
    // Deleting goes through the view's own file operation; it succeeded when
    // the file is gone afterwards.
    source.deleteItem = [this](const QString& path) {
        CThumbnailCtrl* v = view();
        if (!v)
            return false;
        MessageEvent e(WM_THUMB_DELETEITEMS);
        QCoreApplication::sendEvent(v, &e);
        return !QFileInfo::exists(path);
    };
    source.openCurrent = [this] {
        if (CThumbnailCtrl* v = view())
            v->OpenViewer();
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
    // Open-with, add-to-worksheet and the slideshow are filled in by their
    // owners through viewer()->SetHooks; until then the commands do nothing.
    viewer_->SetHooks(std::move(hooks));

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

void CViewerLink::ApplySettings(const AppSettings& settings) {
    if (viewer_)
        viewer_->ApplySettings(settings);
}

bool CViewerLink::eventFilter(QObject* watched, QEvent* e) {
    const int type = static_cast<int>(e->type());
    if (type == WM_THUMB_OPENVIEWER && watched == main_->listContainer()) {
        if (auto* m = dynamic_cast<PayloadEvent<ThumbItemRecord>*>(e)) {
            std::unique_ptr<ThumbItemRecord> record = m->takePayload();
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
    } else if (type == WM_THUMB_LISTCLEARED && watched == main_) {
        if (viewer_)
            viewer_->ListCleared(); // the main window goes on to handle it too
    } else if ((type == WM_TREE_SELCHANGED || type == WM_LIST_TITLECOUNT) && watched == main_) {
        // Another folder or another tab: the neighbours decoded ahead belong
        // to the old list.
        if (viewer_)
            viewer_->preview()->DropPrefetched();
    }
    return QObject::eventFilter(watched, e);
}

} // namespace lumora
