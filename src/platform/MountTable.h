// The mount table as the kernel lists it in /proc/self/mountinfo, and the
// choice of mounts that a user browses as volumes (pseudo and system file
// systems left out).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace lumora {

struct MountEntry {
    QString mountPoint; // unescaped ("\040" becomes a space)
    QString fsType;
    QString source;
};

// Parses mountinfo text; malformed lines are skipped.
std::vector<MountEntry> parseMountInfo(const QByteArray& text);

// Whether a user would browse this mount as a volume of its own.
bool isBrowsableMount(const MountEntry& entry);

// "/" first, then every browsable mount point in mount order, each once.
// Does not look at the file system (the caller checks that each is a folder).
QStringList browsableVolumes(const std::vector<MountEntry>& entries);

} // namespace lumora
