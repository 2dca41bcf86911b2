// The victim of the crash tests: does real writes and kills itself with
// SIGKILL at a chosen point, or runs to the end (killAt < 0) so that the
// parent can kill it at a random moment or trace its system calls.
//
//   durable-crash-child move SRC DST KILL_AT
//       moves every entry of SRC into DST with CShellFileOperation; dies at
//       the KILL_AT-th progress report (one per copied chunk and file).
//   durable-crash-child settings INI LIST ROUNDS
//       saves ROUNDS versions of a settings INI and of a worksheet list.
//   durable-crash-child all SRC DST INI LIST
//       one move, then one settings save and one worksheet-list save.
#include "platform/FileOperation.h"
#include "settings/IniFile.h"
#include "thumbnails/WorkSheetFile.h"

#include "CrashVersions.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace lumora;

namespace {

class KillingUi : public IFileOperationUi {
public:
    explicit KillingUi(long killAt) : killAt_(killAt) {}
    bool confirmDelete(const QStringList&, bool) override { return true; }
    bool confirmDeletePermanently(const QString&) override { return false; }
    ReplaceAnswer askReplace(const QString&, const QString&) override {
        return ReplaceAnswer::YesToAll;
    }
    void reportError(const QString& message) override {
        std::fprintf(stderr, "error: %s\n", qPrintable(message));
    }
    void beginProgress(const QString&, std::int64_t) override {}
    bool progress(std::int64_t, const QString&) override {
        if (++calls_ == killAt_)
            std::raise(SIGKILL);
        return true;
    }
    void endProgress() override {}

private:
    long killAt_;
    long calls_ = 0;
};

int move(const QString& src, const QString& dst, long killAt) {
    QStringList sources;
    for (const QString& name : QDir(src).entryList(
             QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name))
        sources << src + "/" + name;
    KillingUi ui(killAt);
    CShellFileOperation op(ui);
    return op.move(sources, dst).succeeded ? 0 : 1;
}

int saveVersion(const QString& ini, const std::string& list, int version) {
    const CIniFile doc = CIniFile::fromText(QByteArray::fromStdString(crash::iniVersion(version)));
    if (!doc.save(ini))
        return 1;
    const auto [name, paths] = crash::listVersion(version);
    return WriteWorkSheetList(list, name, paths) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "move" && argc == 5)
        return move(QFile::decodeName(argv[2]), QFile::decodeName(argv[3]), std::atol(argv[4]));
    if (mode == "settings" && argc == 5) {
        const int rounds = std::atoi(argv[4]);
        for (int i = 1; i <= rounds; ++i)
            if (saveVersion(QFile::decodeName(argv[2]), argv[3], i) != 0)
                return 1;
        return 0;
    }
    if (mode == "all" && argc == 6) {
        if (move(QFile::decodeName(argv[2]), QFile::decodeName(argv[3]), -1) != 0)
            return 1;
        return saveVersion(QFile::decodeName(argv[4]), argv[5], 1);
    }
    std::fprintf(stderr, "usage: see the comment at the top of DurableCrashChild.cpp\n");
    return 2;
}
