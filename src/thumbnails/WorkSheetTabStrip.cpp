#include "thumbnails/WorkSheetTabStrip.h"

#include "thumbnails/FileDropTarget.h"

#include <QDragMoveEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>

namespace lumora {

CWorkSheetTabStrip::CWorkSheetTabStrip(QWidget* parent, int id) : QTabBar(parent), id_(id) {
    setObjectName(QStringLiteral("TabStrip"));
    setShape(QTabBar::RoundedSouth);
    setDrawBase(true);
    setExpanding(false);
    setUsesScrollButtons(true);
    setElideMode(Qt::ElideNone);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QTabBar::currentChanged, this, [this](int index) {
        if (!quiet_ && index >= 0)
            emit tabPicked(index);
    });
}

QString CWorkSheetTabStrip::Label(const QString& name, int count, bool isDefault) {
    const QString label = QStringLiteral("%1(%2)").arg(name).arg(count);
    return isDefault ? QStringLiteral("[D]：") + label : label;
}

int CWorkSheetTabStrip::AddSheetTab(const QString& name) {
    tabs_.push_back({name, 0});
    const QSignalBlocker quiet(this);
    const int index = addTab(QString());
    relabel(index);
    return index;
}

void CWorkSheetTabStrip::RemoveSheetTab(int index) {
    if (index < 0 || index >= int(tabs_.size()))
        return;
    if (edit_)
        endRename(false);
    tabs_.erase(tabs_.begin() + index);
    if (default_ == index)
        default_ = 0;
    else if (default_ > index)
        --default_;
    const QSignalBlocker quiet(this);
    removeTab(index);
}

QString CWorkSheetTabStrip::Name(int index) const {
    return index >= 0 && index < int(tabs_.size()) ? tabs_[std::size_t(index)].name : QString();
}

void CWorkSheetTabStrip::SetName(int index, const QString& name) {
    if (index < 0 || index >= int(tabs_.size()))
        return;
    tabs_[std::size_t(index)].name = name;
    relabel(index);
}

int CWorkSheetTabStrip::ItemCount(int index) const {
    return index >= 0 && index < int(tabs_.size()) ? tabs_[std::size_t(index)].count : 0;
}

void CWorkSheetTabStrip::SetItemCount(int index, int count) {
    if (index < 0 || index >= int(tabs_.size()) || tabs_[std::size_t(index)].count == count)
        return;
    tabs_[std::size_t(index)].count = count;
    relabel(index);
}

void CWorkSheetTabStrip::SetDefaultMark(int index) {
    // The folder tab never carries the mark.
    const int mark = index >= 1 && index < int(tabs_.size()) ? index : 0;
    if (mark == default_)
        return;
    const int old = default_;
    default_ = mark;
    if (old > 0)
        relabel(old);
    if (mark > 0)
        relabel(mark);
}

void CWorkSheetTabStrip::relabel(int index) {
    const TabData& t = tabs_[std::size_t(index)];
    QString label = Label(t.name, t.count, index >= 1 && index == default_);
    label.replace(QLatin1Char('&'), QStringLiteral("&&")); // no mnemonics in names
    setTabText(index, label);
}

void CWorkSheetTabStrip::ShowSelected(int index) {
    if (index < 0 || index >= count() || index == currentIndex())
        return;
    quiet_ = true;
    setCurrentIndex(index);
    quiet_ = false;
    update();
}

void CWorkSheetTabStrip::AttachDropTarget(QObject* window) {
    if (dropTarget_)
        return;
    dropTarget_ = new CFileDropTarget(this, window);
    // Installed after the drop target, so this filter sees each drag event
    // first and keeps the pointer's position for TabUnderDrag.
    installEventFilter(this);
}

int CWorkSheetTabStrip::TabUnderDrag() const {
    return dragInside_ ? tabAt(dragPos_) : -1;
}

bool CWorkSheetTabStrip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
            dragPos_ = static_cast<QDragMoveEvent*>(event)->position().toPoint();
            dragInside_ = true;
            break;
        case QEvent::Drop:
            dragPos_ = static_cast<QDropEvent*>(event)->position().toPoint();
            dragInside_ = true;
            break;
        case QEvent::DragLeave:
            dragInside_ = false;
            break;
        default:
            break;
        }
        return false;
    }
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            endRename(false);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            endRename(true);
            return true;
        }
    }
    if (watched == edit_ && event->type() == QEvent::FocusOut) {
        endRename(true);
        return false;
    }
    return QTabBar::eventFilter(watched, event);
}

void CWorkSheetTabStrip::mouseDoubleClickEvent(QMouseEvent* e) {
    const int index = tabAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && index >= 1 && index == currentIndex()) {
        BeginRename(index);
        e->accept();
        return;
    }
    QTabBar::mouseDoubleClickEvent(e);
}

void CWorkSheetTabStrip::BeginRename(int index) {
    if (index < 1 || index >= int(tabs_.size()))
        return;
    if (edit_)
        endRename(true);
    editIndex_ = index;
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("TabNameEdit"));
    edit_->setText(tabs_[std::size_t(index)].name);
    edit_->setMaxLength(259);
    QRect r = tabRect(index);
    r.setWidth(std::max(r.width(), 120));
    edit_->setGeometry(r);
    edit_->selectAll();
    edit_->installEventFilter(this);
    edit_->show();
    edit_->setFocus(Qt::OtherFocusReason);
}

void CWorkSheetTabStrip::endRename(bool keep) {
    if (!edit_)
        return;
    QLineEdit* edit = edit_;
    edit_ = nullptr; // ends re-entry from the focus change below
    const int index = editIndex_;
    editIndex_ = -1;
    const QString text = edit->text();
    edit->removeEventFilter(this);
    edit->hide();
    edit->deleteLater();
    if (keep && index >= 1 && index < int(tabs_.size())) {
        tabs_[std::size_t(index)].name = text;
        relabel(index);
        emit renamed(index);
    }
}

void CWorkSheetTabStrip::resizeEvent(QResizeEvent* e) {
    QTabBar::resizeEvent(e);
    if (edit_ && editIndex_ >= 0)
        edit_->setGeometry(
            tabRect(editIndex_).adjusted(0, 0, std::max(0, 120 - tabRect(editIndex_).width()), 0));
}

} // namespace lumora
