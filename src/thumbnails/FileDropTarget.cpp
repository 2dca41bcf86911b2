#include "thumbnails/FileDropTarget.h"

#include "platform/ClipboardFiles.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>

namespace lumora {

namespace {
QPointer<QObject> s_dragSource;

int fileCount(const QMimeData* data) {
    if (!data)
        return 0;
    const auto list = readFileList(*data);
    return list ? int(list->paths.size()) : 0;
}
} // namespace

void CFileDropTarget::SetDragSource(QObject* window) {
    s_dragSource = window;
}
QObject* CFileDropTarget::DragSource() {
    return s_dragSource;
}

CFileDropTarget::CFileDropTarget(QWidget* dropWidget, QObject* window)
    : QObject(dropWidget), dropWidget_(dropWidget), window_(window) {
    dropWidget->setAcceptDrops(true);
    dropWidget->installEventFilter(this);
}

template <typename M> bool CFileDropTarget::send(M& m) {
    return Send(window_.data(), m);
}

bool CFileDropTarget::eventFilter(QObject* watched, QEvent* event) {
    if (watched != dropWidget_)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto* e = static_cast<QDragEnterEvent*>(event);
        DropCanEnterMessage canEnter(e->mimeData());
        send(canEnter);
        if (canEnter.result || (e->mimeData() && hasFileList(*e->mimeData()))) {
            e->setDropAction(Qt::CopyAction);
            e->accept();
        } else {
            e->ignore();
        }
        return true;
    }
    case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(event);
        const bool fromHere = s_dragSource && s_dragSource == window_;
        DropCanDropMessage canDrop(e->mimeData());
        if (fileCount(e->mimeData()) > 0 && !fromHere && send(canDrop) && canDrop.result) {
            e->setDropAction(Qt::CopyAction);
            e->accept();
        } else {
            e->ignore();
        }
        return true;
    }
    case QEvent::DragLeave: {
        DropLeaveMessage leave;
        send(leave);
        event->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        DropFilesMessage files(e->mimeData());
        send(files);
        e->setDropAction(Qt::CopyAction);
        e->accept();
        return true;
    }
    default:
        return false;
    }
}

} // namespace lumora
