// The read-only mark decided from the status the scan's fstat read: it must
// agree with the system's own answer for this user and for another one.
#include "EngineTestSupport.h"

#include "engine/FileAccess.h"
#include "engine/ThumbnailEngine.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lumora {
namespace {

using test::TempFolder;

// Whether the decision from the status agrees with faccessat for path.
bool agrees(const std::string& path, uid_t euid) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return UserMayWriteStatus(st, path, euid) == UserMayWriteFile(path);
}

TEST(UserMayWriteStatusTest, AgreesWithTheSystemForEveryClassOfFile) {
    TempFolder dir("status");
    ::chmod(dir.Path().c_str(), 0755);
    const mode_t modes[] = {0644, 0444, 0600, 0400, 0200, 0000, 0664, 0666, 0662, 0620, 0602};
    std::vector<std::string> mine;
    for (mode_t mode : modes) {
        const std::string name = "mine-" + std::to_string(mode) + ".jpg";
        dir.Write(name);
        ::chmod(dir.File(name).c_str(), mode);
        mine.push_back(dir.File(name));
    }
    for (const std::string& path : mine)
        EXPECT_TRUE(agrees(path, ::geteuid())) << path;
    if (::geteuid() != 0)
        return;

    // As another user, in a child: this process's files are another
    // owner's there, and that user's own files are the owner's case.
    const uid_t nobody = 65534;
    const gid_t nogroup = 65534;
    std::vector<std::string> theirs;
    for (mode_t mode : modes) {
        const std::string name = "theirs-" + std::to_string(mode) + ".jpg";
        dir.Write(name);
        ASSERT_EQ(::chown(dir.File(name).c_str(), nobody, nogroup), 0);
        ::chmod(dir.File(name).c_str(), mode);
        theirs.push_back(dir.File(name));
    }
    // Root's group with a group write bit: the child joins that group.
    dir.Write("group.jpg");
    ::chmod(dir.File("group.jpg").c_str(), 0664);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const gid_t groups[] = {0};
        if (::setgroups(1, groups) != 0 || ::setgid(nogroup) != 0 || ::setuid(nobody) != 0)
            ::_exit(100);
        int wrong = 0;
        for (const auto* list : {&mine, &theirs})
            for (const std::string& path : *list)
                if (!agrees(path, ::geteuid()))
                    ++wrong;
        if (!agrees(dir.File("group.jpg"), ::geteuid()) || !UserMayWriteFile(dir.File("group.jpg")))
            ++wrong;
        ::_exit(wrong);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 100) << "could not become another user";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "files decided otherwise than the system decides them";
}

TEST(UserMayWriteStatusTest, AMissingFileHasNoStatus) {
    FileStatus status;
    bool readOnly = true;
    EXPECT_FALSE(ReadFileStatus("/nonexistent/lumora/a.jpg", status, readOnly));
    EXPECT_EQ(status, FileStatus{});
    EXPECT_TRUE(readOnly);
}

} // namespace
} // namespace lumora
