// A child process moving files across file systems and saving settings and
// worksheet lists is killed with SIGKILL at many points; afterwards no file
// is lost and none under a final name is short. The order of fsync, rename
// and unlink is read from strace.
#include "CrashVersions.h"
#include "ScratchMounts.h"

#include "thumbnails/WorkSheetFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include <signal.h>
#include <sys/wait.h>

using namespace lumora;
using namespace lumora::testing;

namespace {

// The child built beside this test; LUMORA_CRASH_CHILD in the environment
// names another build of it (to show what these tests catch in older code).
const std::string kChild = [] {
    const char* other = std::getenv("LUMORA_CRASH_CHILD");
    return std::string(other && *other ? other : LUMORA_CRASH_CHILD);
}();

pid_t spawn(const std::vector<std::string>& args) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// 0..n: exit code; -1: killed by SIGKILL; -2: other.
int reap(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -2;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL ? -1 : -2;
}

// A card's worth of files: small ones and a few of several chunks.
std::map<std::string, std::string> cardFiles() {
    std::map<std::string, std::string> files;
    for (int i = 0; i < 24; ++i) {
        const std::string name = "IMG_" + std::to_string(1000 + i) + (i % 5 ? ".JPG" : ".CR2");
        const std::size_t size =
            i % 7 == 3 ? 2 * 1024 * 1024 + 4097 * std::size_t(i) : 1000 + 9000 * std::size_t(i % 4);
        files[name] = patternBytes(name, i == 0 ? 0 : size);
    }
    return files;
}

void putFiles(const std::string& folder, const std::map<std::string, std::string>& files) {
    for (const auto& [name, bytes] : files)
        ASSERT_TRUE(writeBytes(folder + "/" + name, bytes));
}

// Every file is whole at its source or whole at the target (or both, when
// the kill fell between the copy and the unlink); nothing else has a final
// name at the target.
void expectNothingLost(const std::string& src, const std::string& dst,
                       const std::map<std::string, std::string>& files, const std::string& when) {
    for (const auto& [name, bytes] : files) {
        const bool atSource = lexistsPath(src + "/" + name);
        const bool atTarget = lexistsPath(dst + "/" + name);
        EXPECT_TRUE(atSource || atTarget) << name << " lost " << when;
        if (atSource) {
            EXPECT_EQ(readBytes(src + "/" + name), bytes) << name << " at the source " << when;
        }
        if (atTarget) {
            EXPECT_EQ(readBytes(dst + "/" + name), bytes)
                << name << " not whole at the target " << when;
        }
    }
    for (const std::string& name : visibleNames(dst))
        EXPECT_TRUE(files.count(name)) << "stray " << name << " " << when;
}

} // namespace

TEST(CrashSafety, MoveAcrossFileSystemsKilledAtManyPoints) {
    REQUIRE_MOUNTS();
    const auto files = cardFiles();
    int kills = 0;
    bool ranToTheEnd = false;
    // Every report for the first few, then wider steps.
    for (long killAt = 1; killAt < 400 && !ranToTheEnd; killAt += killAt < 12 ? 1 : 5) {
        ScratchDir src, dst;
        ScratchMount other(dst.path(), 64 * 1024 * 1024);
        ASSERT_TRUE(other.mounted());
        putFiles(src.path(), files);
        const int status =
            reap(spawn({kChild, "move", src.path(), dst.path(), std::to_string(killAt)}));
        ASSERT_TRUE(status == -1 || status == 0) << "child status " << status;
        if (status == 0)
            ranToTheEnd = true;
        else
            ++kills;
        expectNothingLost(src.path(), dst.path(), files, "after kill at " + std::to_string(killAt));
        if (ranToTheEnd) {
            EXPECT_TRUE(namesIn(src.path()).empty());
            EXPECT_EQ(namesIn(dst.path()).size(), files.size()) << "no temporary file left";
        }
    }
    EXPECT_TRUE(ranToTheEnd);
    EXPECT_GE(kills, 20);
}

TEST(CrashSafety, MoveKilledAtRandomMoments) {
    REQUIRE_MOUNTS();
    const auto files = cardFiles();
    std::mt19937 random(12345);
    for (int round = 0; round < 12; ++round) {
        ScratchDir src, dst;
        ScratchMount other(dst.path(), 64 * 1024 * 1024);
        ASSERT_TRUE(other.mounted());
        putFiles(src.path(), files);
        const pid_t pid = spawn({kChild, "move", src.path(), dst.path(), "-1"});
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 60000));
        ::kill(pid, SIGKILL);
        const int status = reap(pid);
        ASSERT_TRUE(status == -1 || status == 0) << status;
        expectNothingLost(src.path(), dst.path(), files, "in round " + std::to_string(round));
    }
}

TEST(CrashSafety, SettingsAndWorksheetSavesKilledMidWay) {
    ScratchDir dir;
    const std::string ini = dir / "lumora.ini";
    const std::string list = dir / "sheet.lsl";
    std::mt19937 random(777);
    int killed = 0;
    for (int round = 0; round < 25; ++round) {
        const pid_t pid = spawn({kChild, "settings", ini, list, "40"});
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 40000));
        ::kill(pid, SIGKILL);
        const int status = reap(pid);
        ASSERT_TRUE(status == -1 || status == 0) << status;
        killed += status == -1;
        if (!lexistsPath(ini))
            continue; // killed before the first save
        // Whole versions only: the file is exactly one of them.
        const std::string text = readBytes(ini);
        const std::size_t at = text.find("Version=");
        ASSERT_NE(at, std::string::npos) << "round " << round;
        const int version = std::atoi(text.c_str() + at + 8);
        EXPECT_EQ(text, crash::iniVersion(version)) << "round " << round;
        if (lexistsPath(list)) {
            const std::string sheet = readBytes(list);
            bool whole = false;
            for (int v = 1; v <= 40 && !whole; ++v) {
                const auto [name, paths] = crash::listVersion(v);
                whole = sheet == FormatWorkSheetList(name, paths);
            }
            EXPECT_TRUE(whole) << "round " << round << ": worksheet list of " << sheet.size()
                               << " bytes is no whole version";
        }
    }
    EXPECT_GT(killed, 0);
}

// With strace, the order of the calls: each copy is fsync'ed before it is
// renamed into place, its folder is fsync'ed after, and only then is its
// source unlinked (and the source folder fsync'ed); the settings file and
// the worksheet list go temp, fsync, rename, folder fsync.
TEST(CrashSafety, FsyncRenameUnlinkOrderUnderStrace) {
    REQUIRE_MOUNTS();
    if (::system("strace -V >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "strace is not installed";
    ScratchDir src, dst, work;
    ScratchMount other(dst.path(), 64 * 1024 * 1024);
    ASSERT_TRUE(other.mounted());
    const auto files = cardFiles();
    putFiles(src.path(), files);
    const std::string log = work / "trace";
    const int status = reap(
        spawn({"/usr/bin/env", "strace", "-f", "-y", "-s", "4096", "-o", log, "-e",
               "trace=fsync,fdatasync,rename,renameat,renameat2,unlink,unlinkat,linkat", kChild,
               "all", src.path(), dst.path(), work / "lumora.ini", work / "sheet.lsl"}));
    ASSERT_EQ(status, 0);
    std::vector<std::string> lines;
    {
        std::istringstream in(readBytes(log));
        for (std::string line; std::getline(in, line);)
            if (line.find(" = 0") != std::string::npos) // successful calls only
                lines.push_back(line);
    }
    ASSERT_FALSE(lines.empty());
    auto find = [&](std::size_t from, const std::string& needle) -> std::size_t {
        for (std::size_t i = from; i < lines.size(); ++i)
            if (lines[i].find(needle) != std::string::npos)
                return i;
        return std::string::npos;
    };
    // The temporary name each final name was renamed from.
    auto checkFile = [&](const std::string& folder, const std::string& name,
                         const std::string& sourceFolder) {
        SCOPED_TRACE(name);
        const std::string target = folder + "/" + name;
        const std::size_t renamed = find(0, ", \"" + target + "\"");
        ASSERT_NE(renamed, std::string::npos) << "no rename into " << target;
        const std::string& r = lines[renamed];
        ASSERT_TRUE(r.find("rename") != std::string::npos) << r;
        const std::size_t q1 = r.find('"'), q2 = r.find('"', q1 + 1);
        const std::string temp = r.substr(q1 + 1, q2 - q1 - 1);
        EXPECT_EQ(temp.rfind(folder + "/.", 0), 0u) << "temporary beside the target: " << temp;
        const std::size_t synced = find(0, "<" + temp + ">) = 0");
        ASSERT_NE(synced, std::string::npos) << "temporary never fsync'ed";
        EXPECT_LT(synced, renamed) << "fsync before rename";
        const std::size_t folderSynced = find(renamed, "<" + folder + ">) = 0");
        ASSERT_NE(folderSynced, std::string::npos) << "folder never fsync'ed after the rename";
        EXPECT_NE(lines[folderSynced].find("fsync("), std::string::npos);
        if (sourceFolder.empty())
            return;
        const std::size_t unlinked = find(0, "\"" + sourceFolder + "/" + name + "\"");
        ASSERT_NE(unlinked, std::string::npos);
        EXPECT_NE(lines[unlinked].find("unlink"), std::string::npos) << lines[unlinked];
        EXPECT_LT(folderSynced, unlinked) << "the source goes only after the copy is on disk";
        EXPECT_NE(find(unlinked, "<" + sourceFolder + ">) = 0"), std::string::npos)
            << "source folder fsync'ed after the unlink";
    };
    for (const auto& [name, bytes] : files)
        checkFile(dst.path(), name, src.path());
    checkFile(work.path(), "lumora.ini", "");
    checkFile(work.path(), "sheet.lsl", "");
}
