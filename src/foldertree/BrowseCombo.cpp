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
    // What the user types is what is looked up: no completion from the
    // visited folders (it would turn "/a/b" into a listed "/a/b/c").
    setCompleter(nullptr);
    lineEdit()->installEventFilter(this);
    connect(this, qOverload<int>(&QComboBox::activated), this, &CBrowseCombo::OnActivated);
}

void CBrowseCombo::AddPath(const QString& path, int iconIndex) {
    insertItem(0, CShellIcons::icon(iconIndex), path);
    setCurrentIndex(0);
}

bool CBrowseCombo::IsEnterKey(const QKeyEvent* event) {
    // Return, or Enter on the keypad.
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

void CBrowseCombo::keyPressEvent(QKeyEvent* event) {
    // The combo box hands the key to its edit field by calling it directly,
    // past the event filter, and does nothing with it when no items are
    // inserted: Enter is taken here.
    if (!IsEnterKey(event)) {
        QComboBox::keyPressEvent(event);
        return;
    }
    const QString text = lineEdit()->text().left(kMaxText);
    enterPressed_ = true;
    QComboBox::keyPressEvent(event);
    enterPressed_ = false;
    event->accept();
    emit pathEntered(text);
}

bool CBrowseCombo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsEnterKey(key)) {
            // The combo box may also report a matching item as activated
            // while handling this key; one request is enough.
            const QString text = lineEdit()->text().left(kMaxText);
            enterPressed_ = true;
            lineEdit()->event(event);
            enterPressed_ = false;
            // Taken: the edit field leaves Enter unaccepted, and an
            // unaccepted key would travel on to the box itself.
            key->accept();
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
