#include "platform/VolumeWatcher.h"

#include "platform/MountTable.h"

#include <QFile>

namespace lumora {

CVolumeWatcher::CVolumeWatcher(QObject* parent, QString mountInfoPath, int intervalMs)
    : QObject(parent), mountInfoPath_(std::move(mountInfoPath)) {
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, &CVolumeWatcher::checkNow);
    volumes_ = readVolumes();
}

void CVolumeWatcher::start() {
    volumes_ = readVolumes();
    timer_.start();
}

void CVolumeWatcher::stop() {
    timer_.stop();
}

QStringList CVolumeWatcher::readVolumes() const {
    QFile file(mountInfoPath_);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return browsableVolumes(parseMountInfo(file.read(4 * 1024 * 1024)));
}

void CVolumeWatcher::checkNow() {
    const QStringList now = readVolumes();
    if (now == volumes_)
        return;
    const QStringList before = std::exchange(volumes_, now);
    for (const QString& point : before) {
        if (!now.contains(point))
            emit volumeRemoved(point);
    }
    for (const QString& point : now) {
        if (!before.contains(point))
            emit volumeArrived(point);
    }
}

} // namespace lumora
