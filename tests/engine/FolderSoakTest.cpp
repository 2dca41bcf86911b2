// A soak of the real engine with its folder watch: a folder of 20,000 JPEG
// files while another process creates, renames and deletes files in it. No
// crash, no hang, no thumbnail in another file's cell, and the list matches
// the folder at the end.
//
// Every file is one of eight solid colours and its name says which
// ("c3_000123.jpg"); renames keep the colour and names are never reused for
// another colour, so a thumbnail whose colour is not its name's colour sits
// in the wrong cell.
//
// LUMORA_SOAK_FILES and LUMORA_SOAK_SECONDS set the size and the length of
// the churn (20,000 files and 20 s by default; the "soak" label runs the full
// two minutes).
#include "HeadlessThumbnailView.h"
#include "engine/FolderWatcher.h"
#include "engine/ThumbnailEngine.h"
#include "imaging/ThumbnailDecoder.h"

#include "EngineTestSupport.h"
#include "samples/JpegEncode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdlib>
#include <random>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lumora {
namespace {

using namespace std::chrono_literals;
using test::pumpFor;
using test::pumpUntil;
using test::RecordingReceiver;
using test::TempFolder;

constexpr std::array<std::array<int, 3>, 8> kColours = {{{200, 30, 30},
                                                         {30, 200, 30},
                                                         {30, 30, 200},
                                                         {200, 200, 30},
                                                         {200, 30, 200},
                                                         {30, 200, 200},
                                                         {240, 240, 240},
                                                         {20, 20, 20}}};

int envInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

std::string colourName(int colour, long serial) {
    char name[32];
    std::snprintf(name, sizeof name, "c%d_%07ld.jpg", colour, serial);
    return name;
}

std::vector<std::string> jpegNames(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".jpg") == 0)
                names.push_back(n);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool writeWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    ::close(fd);
    return ok;
}

// The churn, in a child process: new files (written under a name the
// engine does not list, then renamed in), renames within a colour, deletes.
[[noreturn]] void churn(const std::string& folder, const std::vector<std::vector<uint8_t>>& jpegs,
                        int seconds, long firstSerial) {
    std::mt19937 random(unsigned(::getpid()));
    std::vector<std::string> names = jpegNames(folder);
    long serial = firstSerial;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        const unsigned op = random() % 10;
        if (op < 4 || names.empty()) {
            const int colour = int(random() % kColours.size());
            const std::string name = colourName(colour, serial++);
            const std::string part = folder + "/" + name + ".part";
            if (writeWhole(part, jpegs[std::size_t(colour)]) &&
                ::rename(part.c_str(), (folder + "/" + name).c_str()) == 0)
                names.push_back(name);
        } else {
            const std::size_t pick = random() % names.size();
            const std::string old = names[pick];
            names[pick] = names.back();
            names.pop_back();
            if (op < 7) {
                const std::string name = colourName(old[1] - '0', serial++);
                if (::rename((folder + "/" + old).c_str(), (folder + "/" + name).c_str()) == 0)
                    names.push_back(name);
            } else {
                ::unlink((folder + "/" + old).c_str());
            }
        }
        if (random() % 4 == 0)
            ::usleep(1000);
    }
    ::_exit(0);
}

// The palette entry nearest to a thumbnail's centre pixel.
int centreColour(const DibImage& image) {
    const uint8_t* p = image.scanLine(image.height() / 2) + (image.width() / 2) * 3;
    int best = -1;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i < kColours.size(); ++i) {
        const int db = p[0] - kColours[i][2], dg = p[1] - kColours[i][1],
                  dr = p[2] - kColours[i][0];
        const int d = db * db + dg * dg + dr * dr;
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    return best;
}

struct SoakRig {
    SoakRig() : view(list, 8, 6), engine(&view, &list) {
        test::app();
        view.SetEngine(&engine);
        view.SetWindow(&viewWindow);
        view.SetWatcher(&watcher);
        engine.SetTabIndex(0);
        engine.SetMainWindow(&mainWindow);
        engine.SetThumbnailMaker(DecodeThumbnail); // the real decoders
        engine.Start();
    }
    ~SoakRig() { engine.Shutdown(10000); }

    // Every item that has a decoded thumbnail shows its own colour.
    int wrongCells(std::string* example) {
        int wrong = 0;
        for (int i = 0; i < list.Count(); ++i) {
            if (!list.HasThumbnail(i))
                continue;
            ImageItem item;
            if (!list.CopyOut(i, item) || !item.thumb.thumbReal || item.thumb.thumbBits.isNull())
                continue;
            ++cellsChecked;
            const int expected = item.fileName.size() > 1 ? item.fileName[1] - '0' : -1;
            if (centreColour(item.thumb.thumbBits) != expected) {
                ++wrong;
                if (example && example->empty()) {
                    const DibImage& t = item.thumb.thumbBits;
                    const uint8_t* p = t.scanLine(t.height() / 2) + (t.width() / 2) * 3;
                    *example = item.fileName + " " + std::to_string(t.width()) + "x" +
                               std::to_string(t.height()) + " bgr " + std::to_string(p[0]) + "," +
                               std::to_string(p[1]) + "," + std::to_string(p[2]);
                }
            }
        }
        return wrong;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (int i = 0; i < list.Count(); ++i) {
            ImageItem item;
            if (list.CopyOut(i, item, CopyPixels::None))
                out.push_back(item.fileName);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    ImageItemList list;
    HeadlessThumbnailView view;
    RecordingReceiver mainWindow;
    RecordingReceiver viewWindow;
    CFolderWatcher watcher;
    CThumbnailEngine engine;
    int cellsChecked = 0;
};

TEST(FolderSoak, EngineFollowsAFolderChangingUnderIt) {
    const int files = envInt("LUMORA_SOAK_FILES", 20000);
    const int seconds = envInt("LUMORA_SOAK_SECONDS", 20);
    TempFolder dir("soak");
    const std::string folder = dir.Path().string();
    std::vector<std::vector<uint8_t>> jpegs;
    for (const auto& c : kColours)
        jpegs.push_back(samples::encodeJpeg(
            samples::Canvas(160, 120, {uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2])})));
    for (int i = 0; i < files; ++i)
        ASSERT_TRUE(writeWhole(folder + "/" + colourName(i % 8, i), jpegs[std::size_t(i % 8)]));

    SoakRig rig;
    rig.watcher.SetFolder(dir.Folder());
    rig.watcher.SetReloadHandler([&] {
        rig.view.SetBusy(true);
        rig.engine.LoadFolder(dir.Folder());
    });
    rig.view.SetBusy(true);
    rig.engine.LoadFolder(dir.Folder());
    ASSERT_TRUE(pumpUntil([&] { return !rig.view.IsBusy(); }, 120s)) << "first load hangs";
    ASSERT_EQ(rig.list.Count(), files);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        churn(folder, jpegs, seconds, 10L * files);

    // The GUI side meanwhile: keeps pumping and scrolls about, checking the
    // cells as it goes. A pump that stops returning is the hang.
    std::mt19937 random(4242);
    int checks = 0, wrong = 0;
    std::string example;
    int status = 0;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(seconds + 120);
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > giveUp) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            FAIL() << "the churn did not end";
        }
        const int rows = std::max(1, rig.list.Count() / rig.view.Columns());
        rig.view.ScrollTo(int(random() % unsigned(rows)));
        pumpFor(150ms);
        wrong += rig.wrongCells(&example);
        ++checks;
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(wrong, 0) << "thumbnails in another file's cell, e.g. " << example << " (" << checks
                        << " checks)";
    EXPECT_GT(rig.cellsChecked, 100) << "too few thumbnails were made to check";

    // The last change is followed by a reload: then the list is the folder.
    const std::vector<std::string> onDisk = jpegNames(folder);
    EXPECT_TRUE(pumpUntil([&] { return !rig.view.IsBusy() && rig.names() == onDisk; }, 60s))
        << "the list does not match the folder: " << rig.list.Count() << " listed, "
        << onDisk.size() << " on disk";
    rig.view.ScrollTo(0);
    EXPECT_TRUE(rig.view.WaitForVisibleDrawn(20s));
    example.clear();
    EXPECT_EQ(rig.wrongCells(&example), 0) << example;
}

} // namespace
} // namespace lumora
