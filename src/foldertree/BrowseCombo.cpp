#include "foldertree/BrowseCombo.h"

#include "platform/ShellIcons.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace lumora {

CBrowseCombo::CBrowseCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(18); // about 300 pixels of list
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    lineEdit()->setMaxLength(kMaxText);
    lineEdit()->installEventFilter(this);
    connect(this, qOverload<int>(&QComboBox::activated), this, &CBrowseCombo::OnActivated);
}

void CBrowseCombo::AddPath(const QString& path, int iconIndex) {
    insertItem(0, CShellIcons::icon(iconIndex), path);
    setCurrentIndex(0);
}

bool CBrowseCombo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // The combo box may also report a matching item as activated
            // while handling this key; one request is enough.
            const QString text = lineEdit()->text().left(kMaxText);
            enterPressed_ = true;
            lineEdit()->event(event);
            enterPressed_ = false;
            emit pathEntered(text);
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void CBrowseCombo::OnActivated(int index) {
    if (enterPressed_ || index < 0)
        return;
    emit pathEntered(itemText(index).left(kMaxText));
}

} // namespace lumora
