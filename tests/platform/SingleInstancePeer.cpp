// Test peer: plays one instance of the program.
//   single_instance_peer KEY first          take the lock, listen, print READY,
//                                           print GOT <path>|GOT- per hand-over,
//                                           quit after the first one
//   single_instance_peer KEY hold           take the lock, print LOCKED, never listen
//   single_instance_peer KEY second [FILE]  hand over; exit 0 when delivered,
//                                           3 when nobody was ready, 4 when first
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

using lumora::CSingleInstance;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    CSingleInstance instance(args[1]);
    const CSingleInstance::Role role = instance.acquire();
    const QString mode = args[2];
    if (mode == QLatin1String("second")) {
        if (role != CSingleInstance::Role::Second)
            return 4;
        const QString file = args.size() > 3 ? args[3] : QString();
        return instance.handOver(file) == CSingleInstance::HandOverResult::Delivered ? 0 : 3;
    }
    if (role != CSingleInstance::Role::First)
        return 5;
    if (mode == QLatin1String("hold")) {
        std::printf("LOCKED\n");
        std::fflush(stdout);
        return app.exec();
    }
    instance.setHandler([](const std::optional<QString>& file) {
        std::printf("GOT%s%s\n", file ? " " : "-", file ? file->toUtf8().constData() : "");
        std::fflush(stdout);
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    });
    if (!instance.markReady())
        return 6;
    std::printf("READY\n");
    std::fflush(stdout);
    return app.exec();
}
