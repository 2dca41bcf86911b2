#include "platform/MountTable.h"

#include <QList>
#include <QSet>

#include <string_view>

namespace lumora {

namespace {

// "\040" style octal escapes of spaces, tabs, newlines and backslashes.
QString unescapeMountField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], d = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && d >= '0' && d <= '7') {
                out.append(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (d - '0')));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return QString::fromUtf8(out);
}

constexpr std::string_view kPseudoFileSystems[] = {
    "proc",    "sysfs",           "devtmpfs",    "devpts",      "tmpfs",
    "ramfs",   "cgroup",          "cgroup2",     "securityfs",  "pstore",
    "bpf",     "debugfs",         "tracefs",     "configfs",    "fusectl",
    "mqueue",  "hugetlbfs",       "autofs",      "binfmt_misc", "efivarfs",
    "nsfs",    "rpc_pipefs",      "nfsd",        "selinuxfs",   "squashfs",
    "overlay", "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs",  "devfs",
    "sockfs",  "pipefs",          "cpuset"};

constexpr std::string_view kSystemTrees[] = {
    "/proc", "/sys", "/dev", "/run", "/snap", "/boot", "/var/lib/docker", "/var/snap"};

bool isUnder(const QString& path, std::string_view tree) {
    const QString base = QString::fromLatin1(tree.data(), static_cast<qsizetype>(tree.size()));
    return path == base || path.startsWith(base + QLatin1Char('/'));
}

} // namespace

std::vector<MountEntry> parseMountInfo(const QByteArray& text) {
    std::vector<MountEntry> entries;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // id parent major:minor root mount-point options [optional...] - type source super
        if (fields.size() < 10)
            continue;
        qsizetype dash = -1;
        for (qsizetype i = 6; i < fields.size(); ++i) {
            if (fields[i] == "-") {
                dash = i;
                break;
            }
        }
        if (dash < 0 || dash + 2 >= fields.size())
            continue;
        MountEntry entry;
        entry.mountPoint = unescapeMountField(fields[4]);
        entry.fsType = unescapeMountField(fields[dash + 1]);
        entry.source = unescapeMountField(fields[dash + 2]);
        if (!entry.mountPoint.startsWith(QLatin1Char('/')))
            continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool isBrowsableMount(const MountEntry& entry) {
    const QByteArray type = entry.fsType.toUtf8();
    for (std::string_view pseudo : kPseudoFileSystems) {
        if (std::string_view(type.constData(), static_cast<size_t>(type.size())) == pseudo)
            return false;
    }
    const QString& point = entry.mountPoint;
    if (point == QLatin1String("/"))
        return true;
    // Removable media mounted by the desktop live under /run/media.
    if (!point.startsWith(QLatin1String("/run/media/"))) {
        for (std::string_view tree : kSystemTrees) {
            if (isUnder(point, tree))
                return false;
        }
    }
    // Mounts inside hidden folders (portals, caches) are not the user's.
    for (const QString& part : point.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part.startsWith(QLatin1Char('.')))
            return false;
    }
    return true;
}

QStringList browsableVolumes(const std::vector<MountEntry>& entries) {
    QStringList volumes{QStringLiteral("/")};
    QSet<QString> seen{QStringLiteral("/")};
    for (const MountEntry& entry : entries) {
        if (!isBrowsableMount(entry) || seen.contains(entry.mountPoint))
            continue;
        seen.insert(entry.mountPoint);
        volumes.append(entry.mountPoint);
    }
    return volumes;
}

} // namespace lumora
