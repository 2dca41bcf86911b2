#include "imaging/ModernPicture.h"

#include "formats/heif/HeifFile.h"
#include "formats/jxl/JxlFile.h"
#include "formats/png/PngFile.h"
#include "formats/webp/WebpFile.h"

namespace lumora {

picture::Picture ReadModernPicture(const std::string& path, ImageKind kind,
                                   const picture::Request& request) {
    switch (kind) {
    case ImageKind::Heif:
    case ImageKind::Avif:
        return heif::Read(path, request);
    case ImageKind::Png:
        return png::Read(path, request);
    case ImageKind::WebP:
        return webp::Read(path, request);
    case ImageKind::Jxl:
        return jxl::Read(path, request);
    default: {
        picture::Picture none;
        none.error = "not a picture kind of its own library";
        return none;
    }
    }
}

bool OpenModernPicture(const std::string& path, ImageKind kind, CRawParser& parser,
                       ModernPictureInfo& info) {
    picture::Request probe;
    probe.pixels = false;
    info = ModernPictureInfo{};
    info.probe = ReadModernPicture(path, kind, probe);
    if (!info.probe.ok())
        return false;
    const std::vector<std::uint8_t>& exif = info.probe.exif;
    if (exif.empty())
        return true;
    const std::size_t segment = 2 + 6 + exif.size(); // length field, "Exif\0\0", TIFF
    if (segment <= 0xFFFF) {
        std::vector<std::uint8_t>& w = info.wrapped;
        w = {0xFF,
             0xD8,
             0xFF,
             0xE1,
             static_cast<std::uint8_t>(segment >> 8),
             static_cast<std::uint8_t>(segment & 0xFF),
             'E',
             'x',
             'i',
             'f',
             0,
             0};
        w.insert(w.end(), exif.begin(), exif.end());
        w.push_back(0xFF);
        w.push_back(0xD9);
        info.exifParsed = parser.OpenMemory(w.data(), w.size(), kRawKindJpeg, path) != 0;
    } else {
        info.exifParsed = parser.OpenMemory(exif.data(), exif.size(), kRawKindTiff, path) != 0;
    }
    return true;
}

} // namespace lumora
