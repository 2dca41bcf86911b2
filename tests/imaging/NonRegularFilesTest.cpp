// A FIFO, socket, device or folder named like a picture must be refused at
// once by every reader: the metadata parser, each decoder, the PSD reader,
// the thumbnail decode and both loaders. Each call runs on a watchdog thread;
// a reader that blocks is reported and then released by opening the FIFO's
// other end.
#include "DecoderTestUtil.h"

#include "engine/ImageItemList.h"
#include "imaging/ImageLoader.h"
#include "imaging/JpegDecoder.h"
#include "imaging/PictureDecoder.h"
#include "imaging/PsdReader.h"
#include "imaging/RawParser.h"
#include "imaging/SafeOpen.h"
#include "imaging/ThumbnailDecoder.h"
#include "imaging/TiffDecoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace lumora {
namespace {

using namespace std::chrono_literals;

// A scratch folder with a FIFO and a bound socket, both named like pictures.
struct OddFiles {
    OddFiles() {
        fifo = dir.file("b.jpg");
        EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        socketPath = dir.file("s.tif");
        sock = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (socketPath.size() < sizeof addr.sun_path) {
            std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
            bound = ::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        }
    }
    ~OddFiles() {
        if (sock >= 0)
            ::close(sock);
    }
    // Opening the FIFO for writing frees a reader stuck in open(); its reads
    // then end at once when the writer closes.
    void ReleaseReaders() const {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            ::close(fd);
    }
    // The paths every reader is tried on.
    std::vector<std::string> Paths() const {
        std::vector<std::string> paths{fifo, "/dev/null", dir.file("")};
        if (bound)
            paths.push_back(socketPath);
        return paths;
    }

    test::ScratchDir dir;
    std::string fifo;
    std::string socketPath;
    int sock = -1;
    bool bound = false;
};

// Runs fn on its own thread; fails (and frees the thread) when it blocks.
template <typename Fn> auto bounded(const OddFiles& odd, const std::string& what, Fn fn) {
    auto result = std::async(std::launch::async, fn);
    while (result.wait_for(2s) != std::future_status::ready) {
        ADD_FAILURE() << what << " blocked on a file that is not regular";
        odd.ReleaseReaders();
    }
    return result.get();
}

TEST(NonRegularFiles, TheOpenHelperRefusesAllButRegularFiles) {
    OddFiles odd;
    for (const std::string& path : odd.Paths()) {
        SCOPED_TRACE(path);
        std::uint64_t size = 99;
        errno = 0;
        UniqueFd fd = bounded(odd, "OpenRegularFile", [&] { return OpenRegularFile(path, &size); });
        EXPECT_FALSE(fd.valid());
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(bounded(odd, "OpenRegularStream", [&] { return OpenRegularStream(path); }),
                  nullptr);
    }
    // A regular file opens with its size and status and reads whole: the
    // non-blocking flag that kept the open from waiting stays and does not
    // cut a read of a regular file short.
    const std::string real = odd.dir.write("a.jpg", std::vector<uint8_t>(1234, 7));
    std::uint64_t size = 0;
    struct stat st {};
    UniqueFd fd = OpenRegularFile(real, &size, &st);
    ASSERT_TRUE(fd.valid());
    EXPECT_EQ(size, 1234u);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_size, 1234);
    EXPECT_NE(::fcntl(fd.get(), F_GETFD) & FD_CLOEXEC, 0);
    std::vector<uint8_t> back(2000);
    EXPECT_EQ(::read(fd.get(), back.data(), back.size()), 1234);
    EXPECT_EQ(back[1233], 7);
    std::FILE* stream = OpenRegularStream(real);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(std::fread(back.data(), 1, back.size(), stream), 1234u);
    EXPECT_EQ(std::ferror(stream), 0);
    std::fclose(stream);
    EXPECT_FALSE(OpenRegularFile(odd.dir.file("missing.jpg")).valid());
}

TEST(NonRegularFiles, EveryDecoderRefusesThemAtOnce) {
    OddFiles odd;
    for (const std::string& path : odd.Paths()) {
        SCOPED_TRACE(path);
        JpegOptions jpeg;
        jpeg.scaleTarget = 160;
        EXPECT_EQ(bounded(odd, "JPEG whole file",
                          [&] { return CJpegDecoder::Decode(JpegSource{path}, jpeg).status; }),
                  DecodeStatus::OpenFailed);
        EXPECT_EQ(
            bounded(odd, "JPEG block",
                    [&] {
                        return CJpegDecoder::Decode(JpegSource{path, 16, 100, 0}, jpeg).status;
                    }),
            DecodeStatus::OpenFailed);
        EXPECT_EQ(
            bounded(odd, "TIFF", [&] { return CTiffDecoder::Decode(path, TiffOptions{}).status; }),
            DecodeStatus::OpenFailed);
        EXPECT_EQ(bounded(odd, "picture",
                          [&] { return CPictureDecoder::Decode(path, PictureOptions{}).status; }),
                  DecodeStatus::OpenFailed);
        EXPECT_FALSE(bounded(odd, "PSD", [&] {
            CPsdReader reader;
            return reader.Open(path);
        }));
        EXPECT_EQ(bounded(odd, "metadata parser",
                          [&] {
                              CRawParser parser;
                              return parser.Open(path, 0);
                          }),
                  0);
    }
}

TEST(NonRegularFiles, ThumbnailsAndLoadersGiveThePlaceholderOrNothing) {
    OddFiles odd;
    const DibImage card = MakeUnknownPlaceholder(160, 120);
    const ImageKind kinds[] = {ImageKind::Jpeg, ImageKind::Tiff, ImageKind::Psd, ImageKind::Bmp,
                               ImageKind::Gif,  ImageKind::Ico,  ImageKind::Nef, ImageKind::Crw};
    for (const std::string& path : odd.Paths()) {
        for (ImageKind kind : kinds) {
            SCOPED_TRACE(path + " as kind " + std::to_string(kindCode(kind)));
            ImageItem item = bounded(odd, "scan", [&] {
                ImageItem scanned = ImageItem::FromPath(path, kind);
                ScanItemInfo(scanned);
                DecodeThumbnail(scanned, ThumbnailBox{160, 120, true});
                return scanned;
            });
            EXPECT_EQ(item.thumb.thumbReal, 0);
            ASSERT_FALSE(item.thumb.thumbBits.isNull());
            EXPECT_EQ(item.thumb.thumbBits.byteSize(), card.byteSize());
            EXPECT_EQ(std::memcmp(item.thumb.thumbBits.bits(), card.bits(), card.byteSize()), 0);

            const DecodeOutput out =
                bounded(odd, "loader", [&] { return DecodeForLoader(item, 0, CancelTest{}, {}); });
            EXPECT_NE(out.status, DecodeStatus::Decoded);
            EXPECT_TRUE(out.image.isNull());
        }
    }
}

} // namespace
} // namespace lumora
