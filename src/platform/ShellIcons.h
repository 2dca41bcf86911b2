// The namespace's small-icon list: one icon per index of ShellItem.h, taken
// from the icon theme when it has one and drawn otherwise, with the link and
// share overlays and the ghosted (hidden) look. Needs a QGuiApplication and
// is used on the GUI thread only (pixmaps).
#pragma once

#include <QIcon>

namespace lumora {

enum class ShellOverlay { None, Ghosted, Link, Shared };

class CShellIcons {
public:
    static QIcon icon(int index);
    static QIcon icon(int index, ShellOverlay overlay);
};

} // namespace lumora
