// The context menu of a folder node: our own verbs in place of the desktop's
// menu. The caller says which verbs apply and performs the chosen one.
#pragma once

#include <QMenu>
#include <QPoint>

namespace lumora {

enum class ShellVerb { None, Open, NewFolder, Rename, Delete, Cut, Copy, Paste, Properties };

struct ShellMenuState {
    bool canOpen = true;
    bool canNewFolder = true;
    bool canRename = true;
    bool canDelete = true;
    bool canCopy = true; // cut and copy
    bool canPaste = true;
    bool canProperties = true;
};

class CShellContextMenu {
public:
    // Fills `menu`; each action's data() is its ShellVerb as an int.
    static void populate(QMenu& menu, const ShellMenuState& state);
    // Shows the menu at `globalPos` and returns the chosen verb.
    static ShellVerb exec(QWidget* owner, const QPoint& globalPos, const ShellMenuState& state);
};

} // namespace lumora
