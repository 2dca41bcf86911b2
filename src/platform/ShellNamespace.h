// The folder namespace that the folder tree browses:
//
//   デスクトップ                (the desktop folder, if there is one)
//     <home folder>
//     コンピュータ              (virtual)
//       /                       and every mounted volume a user browses,
//       /media/usb ...          in mount order
//     <folders on the desktop, by name>
//
// Hidden (dot) folders are not listed. Everything here is synchronous and
// headless; a folder that cannot be read simply has no children.
// CShellNamespace is a value holding only its configuration: its functions
// are reentrant and may be called from any thread.
#pragma once

#include "platform/ShellItem.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace lumora {

struct ShellNamespaceConfig {
    QString homePath;
    QString desktopPath; // may not exist
    QString mountInfoPath = QStringLiteral("/proc/self/mountinfo");
    QString userSharesPath = QStringLiteral("/var/lib/samba/usershares");
};

class CShellNamespace {
public:
    // The user's home, the XDG desktop folder and the process's mount table.
    static ShellNamespaceConfig defaultConfig();

    CShellNamespace() : CShellNamespace(defaultConfig()) {}
    explicit CShellNamespace(ShellNamespaceConfig config);

    const ShellNamespaceConfig& config() const { return config_; }

    ShellItem root() const;
    ShellItem computer() const;
    ShellItem home() const;

    // The folders inside `folder` in the order the namespace lists them
    // (desktop and computer: the fixed order above; folders: directory order).
    std::vector<ShellItem> children(const ShellItem& folder) const;

    // The mount points listed under the computer node, "/" first.
    QStringList volumes() const;

    // A folder item for an existing folder path; `relativeId` is its name.
    std::optional<ShellItem> folderItem(const QString& path) const;

    // Parses a typed path or a stored key into the chain of items from the
    // root (included) down to the folder. Accepts absolute paths, "~",
    // file:// URLs, the stable names and the virtual nodes' display names.
    // A component whose case does not match is looked up without regard to
    // case. nullopt when the text does not name an existing folder.
    std::optional<std::vector<ShellItem>> parse(const QString& text) const;

private:
    QStringList sharedPaths() const;
    ShellItem makeFolder(const QString& path, const QString& relativeId,
                         const QStringList& shares) const;
    ShellItem makeVolume(const QString& mountPoint, const QStringList& shares) const;
    bool desktopHasOwnFolders() const;

    ShellNamespaceConfig config_;
};

// True when the folder holds at least one listed (non-hidden) folder.
bool folderHasSubfolders(const QString& path);

} // namespace lumora
