#include "formats/picture/Picture.h"

#include "formats/picture/Bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace lumora::picture {

File OpenRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return File(file);
}

std::vector<std::uint8_t> TiffStreamOf(const std::uint8_t* data, std::size_t size) {
    if (!data)
        return {};
    static constexpr std::uint8_t kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
    if (size >= 6 && std::equal(kExifHeader, kExifHeader + 6, data)) {
        data += 6;
        size -= 6;
    }
    if (size < 8)
        return {};
    const bool intel = data[0] == 'I' && data[1] == 'I' && data[2] == 42 && data[3] == 0;
    const bool motorola = data[0] == 'M' && data[1] == 'M' && data[2] == 0 && data[3] == 42;
    if (!intel && !motorola)
        return {};
    return std::vector<std::uint8_t>(data, data + size);
}

std::vector<std::uint8_t> FlattenToRgb(const Picture& picture, std::uint32_t background) {
    if (!picture.hasPixels() || (picture.channels != 3 && picture.channels != 4))
        return {};
    const std::size_t n = static_cast<std::size_t>(picture.width) * picture.height;
    if (picture.pixels.size() < n * picture.channels)
        return {};
    if (picture.channels == 3)
        return std::vector<std::uint8_t>(picture.pixels.begin(), picture.pixels.begin() + n * 3);
    const unsigned back[3] = {(background >> 16) & 0xFF, (background >> 8) & 0xFF,
                              background & 0xFF};
    std::vector<std::uint8_t> out(n * 3);
    const std::uint8_t* src = picture.pixels.data();
    std::uint8_t* dst = out.data();
    for (std::size_t i = 0; i < n; ++i, src += 4, dst += 3) {
        const unsigned a = src[3];
        for (int c = 0; c < 3; ++c)
            dst[c] = static_cast<std::uint8_t>((src[c] * a + back[c] * (255 - a) + 127) / 255);
    }
    return out;
}

void NarrowSamples(const std::uint16_t* in, std::size_t n, int bits, std::uint8_t* out) {
    if (bits <= 8) {
        for (std::size_t i = 0; i < n; ++i)
            out[i] = static_cast<std::uint8_t>(in[i] > 255 ? 255 : in[i]);
        return;
    }
    if (bits > 16)
        bits = 16;
    const std::uint32_t top = (1u << bits) - 1;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t v = in[i] > top ? top : in[i];
        out[i] = static_cast<std::uint8_t>((v * 255 + top / 2) / top);
    }
}

} // namespace lumora::picture
