// lumora-treebench FOLDER [COPY-DESTINATION]
// Times the listing of FOLDER's subfolders as the folder tree does it (each
// child's attributes included), and, with a destination, a copy of FOLDER.
#include "platform/FileOperation.h"
#include "platform/ShellNamespace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

namespace {

class SilentUi : public lumora::IFileOperationUi {
public:
    bool confirmDelete(const QStringList&, bool) override { return true; }
    bool confirmDeletePermanently(const QString&) override { return false; }
    lumora::ReplaceAnswer askReplace(const QString&, const QString&) override {
        return lumora::ReplaceAnswer::No;
    }
    void reportError(const QString& message) override {
        QTextStream(stderr) << message << '\n';
    }
    void beginProgress(const QString&, std::int64_t) override {}
    bool progress(std::int64_t, const QString&) override { return true; }
    void endProgress() override {}
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    if (args.size() < 2) {
        out << "usage: lumora-treebench FOLDER [COPY-DESTINATION]\n";
        return 2;
    }
    lumora::CShellNamespace ns;
    auto folder = ns.folderItem(args[1]);
    if (!folder) {
        out << "not a folder: " << args[1] << '\n';
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    const auto children = ns.children(*folder);
    out << "list " << children.size() << " subfolders: " << clock.nsecsElapsed() / 1e6
        << " ms\n";
    if (args.size() >= 3) {
        SilentUi ui;
        lumora::CShellFileOperation operation(ui);
        clock.restart();
        const auto result = operation.copy({folder->path}, args[2]);
        out << "copy: " << clock.nsecsElapsed() / 1e6 << " ms, "
            << (result.succeeded ? "ok" : "failed") << '\n';
    }
    return 0;
}
