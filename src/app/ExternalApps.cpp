#include "app/ExternalApps.h"

#include <QProcess>

namespace lumora {

bool OpenWithApplication(const QStringList& apps, int i, const QStringList& paths) {
    if (i < 0 || i >= apps.size() || apps[i].isEmpty())
        return false;
    return QProcess::startDetached(apps[i], paths);
}

} // namespace lumora
