#include "platform/ShellContextMenu.h"

#include <QAction>

namespace lumora {

void CShellContextMenu::populate(QMenu& menu, const ShellMenuState& state) {
    auto add = [&](const QString& text, ShellVerb verb, bool enabled) {
        QAction* action = menu.addAction(text);
        action->setData(static_cast<int>(verb));
        action->setEnabled(enabled);
        return action;
    };
    QAction* open =
        add(QStringLiteral("ファイル マネージャで開く(&O)"), ShellVerb::Open, state.canOpen);
    menu.setDefaultAction(open);
    menu.addSeparator();
    add(QStringLiteral("フォルダの新規作成(&N)"), ShellVerb::NewFolder, state.canNewFolder);
    menu.addSeparator();
    add(QStringLiteral("切り取り(&T)"), ShellVerb::Cut, state.canCopy);
    add(QStringLiteral("コピー(&C)"), ShellVerb::Copy, state.canCopy);
    add(QStringLiteral("貼り付け(&P)"), ShellVerb::Paste, state.canPaste);
    menu.addSeparator();
    add(QStringLiteral("削除(&D)"), ShellVerb::Delete, state.canDelete);
    add(QStringLiteral("名前の変更(&M)"), ShellVerb::Rename, state.canRename);
    menu.addSeparator();
    add(QStringLiteral("プロパティ(&R)"), ShellVerb::Properties, state.canProperties);
}

ShellVerb CShellContextMenu::exec(QWidget* owner, const QPoint& globalPos,
                                  const ShellMenuState& state) {
    QMenu menu(owner);
    populate(menu, state);
    QAction* chosen = menu.exec(globalPos);
    if (!chosen)
        return ShellVerb::None;
    return static_cast<ShellVerb>(chosen->data().toInt());
}

} // namespace lumora
