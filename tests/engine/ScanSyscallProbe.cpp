// A folder load through the real engine and a stand-in view, nothing else,
// for the system-call budget test (scan_syscalls.sh runs it under strace):
//   scan_syscall_probe make DIR COUNT   writes COUNT camera JPEGs with EXIF thumbnails
//   scan_syscall_probe scan DIR         lists and scans DIR, thumbnails for 8 x 5 cells
#include "HeadlessThumbnailView.h"
#include "engine/ImageItemList.h"
#include "engine/ThumbnailEngine.h"
#include "imaging/ThumbnailDecoder.h"
#include "samples/SampleGen.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

using namespace lumora;

namespace {

int scan(const std::string& folder) {
    ImageItemList list;
    HeadlessThumbnailView view(list, 8, 5);
    CThumbnailEngine engine(&view, &list);
    engine.SetThumbnailMaker(DecodeThumbnail);
    view.SetEngine(&engine);
    engine.Start();
    view.SetBusy(true);
    engine.LoadFolder(folder + "/");
    const bool settled = view.WaitUntilSettled(std::chrono::minutes(2));
    engine.Shutdown(10000);
    if (!settled) {
        std::fprintf(stderr, "the scan of %s did not end\n", folder.c_str());
        return 1;
    }
    std::printf("%d items\n", list.Count());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The time zone is read once per process, when the first shooting time
    // is turned into seconds; read it here so that the empty and the full
    // folder's counts both hold it and only the per-file calls differ.
    ::tzset();
    const std::string command = argc > 2 ? argv[1] : "";
    if (command == "make" && argc == 4) {
        samples::CameraJpegOptions options;
        options.camera = samples::canonCamera();
        options.withThumbnail = true;
        const int count = std::atoi(argv[3]);
        return static_cast<int>(samples::writeCameraJpegFolder(argv[2], count, options).size()) ==
                       count
                   ? 0
                   : 1;
    }
    if (command == "scan" && argc == 3)
        return scan(argv[2]);
    std::fprintf(stderr, "usage: %s make DIR COUNT | scan DIR\n", argv[0]);
    return 2;
}
