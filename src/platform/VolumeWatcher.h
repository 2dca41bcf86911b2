// Tells when a volume that the folder namespace lists is mounted or
// unmounted. The kernel's mount table cannot be watched with inotify, so it
// is read again on a timer and compared. A GUI-thread object: its timer and
// signals run on the thread it lives on.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace lumora {

class CVolumeWatcher : public QObject {
    Q_OBJECT
public:
    explicit CVolumeWatcher(QObject* parent = nullptr,
                            QString mountInfoPath = QStringLiteral("/proc/self/mountinfo"),
                            int intervalMs = 2000);

    void start();
    void stop();
    // Reads the table now and signals what changed since the last reading.
    void checkNow();
    const QStringList& volumes() const { return volumes_; }

signals:
    void volumeArrived(const QString& mountPoint);
    void volumeRemoved(const QString& mountPoint);

private:
    QStringList readVolumes() const;

    QString mountInfoPath_;
    QStringList volumes_;
    QTimer timer_;
};

} // namespace lumora
