// One node of the folder namespace: the desktop root, the computer node, a
// volume or a folder, with the attributes the folder tree shows.
#pragma once

#include <QString>

namespace lumora {

enum class ShellItemKind { Desktop, Computer, Volume, Home, Folder };

// Icon indexes of the namespace's small-icon list (see CShellIcons).
constexpr int kIconFolder = 0;
constexpr int kIconDesktop = 1;
constexpr int kIconComputer = 2;
constexpr int kIconHome = 3;
constexpr int kIconDrive = 4;
constexpr int kIconRootDrive = 5;
constexpr int kIconCount = 6;

// Stable names of the virtual nodes, used wherever a node is stored as text.
inline constexpr char kDesktopKey[] = "::desktop";
inline constexpr char kComputerKey[] = "::computer";

struct ShellItem {
    ShellItemKind kind = ShellItemKind::Folder;
    // The item's name inside its parent folder; for the items directly under
    // the desktop or the computer node (which are not their file-system
    // parents) the absolute path or the stable name.
    QString relativeId;
    QString path;        // file-system path; empty for the computer node
    QString displayName; // the text the tree shows
    int iconIndex = kIconFolder;

    bool hasSubfolders = false;
    bool isLink = false;               // a symbolic link to a folder
    bool isShared = false;             // shared with others on the network
    bool isGhosted = false;            // hidden (dot) folder
    bool isFileSystemAncestor = false; // a folder or something that holds folders

    // Stable text that names the node: the stable name of a virtual node,
    // else its path.
    QString key() const {
        if (kind == ShellItemKind::Desktop)
            return QString::fromLatin1(kDesktopKey);
        if (kind == ShellItemKind::Computer)
            return QString::fromLatin1(kComputerKey);
        return path;
    }
    bool isVirtual() const { return path.isEmpty(); }
};

} // namespace lumora
