#include "imaging/ImageKind.h"

#include <cstddef>

namespace lumora {

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (x != b[i])
            return false;
    }
    return true;
}

struct ExtensionEntry {
    std::string_view extension;
    ImageKind kind;
};

constexpr ExtensionEntry kExtensionTable[] = {
    {"jpg", ImageKind::Jpeg},    {"cr2", ImageKind::Cr2},   {"nef", ImageKind::Nef},
    {"orf", ImageKind::Orf},     {"pef", ImageKind::Pef},   {"mrw", ImageKind::Mrw},
    {"erf", ImageKind::Erf},     {"raf", ImageKind::Raf},   {"crw", ImageKind::Crw},
    {"tif", ImageKind::Tiff},    {"tiff", ImageKind::Tiff}, {"bmp", ImageKind::Bmp},
    {"gif", ImageKind::Gif},     {"ico", ImageKind::Ico},   {"cur", ImageKind::Cur},
    {"psd", ImageKind::Psd},     {"cr3", ImageKind::Cr3},   {"arw", ImageKind::Arw},
    {"srf", ImageKind::Srf},     {"dng", ImageKind::Dng},   {"rw2", ImageKind::Rw2},
    {"rwl", ImageKind::Rwl},     {"nrw", ImageKind::Nrw},   {"srw", ImageKind::Srw},
    {"3fr", ImageKind::ThreeFr}, {"heic", ImageKind::Heif}, {"heif", ImageKind::Heif},
    {"hif", ImageKind::Heif},    {"avif", ImageKind::Avif}, {"png", ImageKind::Png},
    {"webp", ImageKind::WebP},   {"jxl", ImageKind::Jxl},
};

// The modern picture kinds, searched after the other MISC kinds.
constexpr ScanPattern kPicturePatterns[] = {
    {"heic", ImageKind::Heif}, {"heif", ImageKind::Heif}, {"hif", ImageKind::Heif},
    {"avif", ImageKind::Avif}, {"png", ImageKind::Png},   {"webp", ImageKind::WebP},
    {"jxl", ImageKind::Jxl},
};

// The current RAW kinds, searched after the older ones.
constexpr ScanPattern kModernRawPatterns[] = {
    {"cr3", ImageKind::Cr3}, {"arw", ImageKind::Arw}, {"srf", ImageKind::Srf},
    {"dng", ImageKind::Dng}, {"rw2", ImageKind::Rw2}, {"rwl", ImageKind::Rwl},
    {"nrw", ImageKind::Nrw}, {"srw", ImageKind::Srw}, {"3fr", ImageKind::ThreeFr},
};

} // namespace

ImageKind kindFromExtension(std::string_view fileName) {
    std::size_t slash = fileName.find_last_of('/');
    if (slash != std::string_view::npos)
        fileName.remove_prefix(slash + 1);
    std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string_view::npos)
        return ImageKind::Unknown;
    std::string_view ext = fileName.substr(dot + 1);
    for (const auto& entry : kExtensionTable)
        if (equalsNoCase(ext, entry.extension))
            return entry.kind;
    return ImageKind::Unknown;
}

std::string_view kindLabel(ImageKind kind) {
    switch (kind) {
    case ImageKind::Jpeg:
        return "JPEG";
    case ImageKind::Tiff:
        return "TIFF";
    case ImageKind::Bmp:
        return "BMP";
    case ImageKind::Gif:
        return "GIF";
    case ImageKind::Ico:
        return "ICO";
    case ImageKind::Cur:
        return "CUR";
    case ImageKind::Psd:
        return "PSD";
    case ImageKind::Heif:
        return "HEIF";
    case ImageKind::Avif:
        return "AVIF";
    case ImageKind::Png:
        return "PNG";
    case ImageKind::WebP:
        return "WEBP";
    case ImageKind::Jxl:
        return "JXL";
    case ImageKind::Unknown:
        return {};
    default:
        return isRawKind(kind) ? "RAW" : std::string_view{};
    }
}

int rawKindBit(ImageKind kind) {
    switch (kind) {
    case ImageKind::Cr3:
        return kRawCr3;
    case ImageKind::Arw:
    case ImageKind::Srf:
        return kRawArw;
    case ImageKind::Dng:
        return kRawDng;
    case ImageKind::Rw2:
    case ImageKind::Rwl:
        return kRawRw2;
    case ImageKind::Nrw:
        return kRawNrw;
    case ImageKind::Srw:
        return kRawSrw;
    case ImageKind::ThreeFr:
        return kRaw3fr;
    default:
        return 0;
    }
}

int pictureKindBit(ImageKind kind) {
    switch (kind) {
    case ImageKind::Heif:
        return kPictureHeif;
    case ImageKind::Avif:
        return kPictureAvif;
    case ImageKind::Png:
        return kPicturePng;
    case ImageKind::WebP:
        return kPictureWebP;
    case ImageKind::Jxl:
        return kPictureJxl;
    default:
        return 0;
    }
}

bool KindFilter::allowsPasted(ImageKind kind) const {
    if (kind == ImageKind::Jpeg)
        return fileType & kFileTypeJpeg;
    if (isRawKind(kind)) {
        const int bit = rawKindBit(kind);
        return (fileType & kFileTypeRaw) && (bit == 0 || (rawKind & bit));
    }
    if (!(fileType & kFileTypeMisc))
        return false;
    switch (kind) {
    case ImageKind::Bmp:
        return miscKind & kMiscBmp;
    case ImageKind::Gif:
        return miscKind & kMiscGif;
    case ImageKind::Ico:
        return miscKind & kMiscIco;
    case ImageKind::Cur:
        return miscKind & kMiscCur;
    case ImageKind::Psd:
        return miscKind & kMiscPsd;
    case ImageKind::Tiff:
        return miscKind & kMiscTiff;
    case ImageKind::Heif:
    case ImageKind::Avif:
    case ImageKind::Png:
    case ImageKind::WebP:
    case ImageKind::Jxl:
        return pictureKind & pictureKindBit(kind);
    default:
        return false;
    }
}

int scanPatterns(const KindFilter& filter, ScanPattern out[kMaxScanPatterns]) {
    int n = 0;
    if (filter.fileType & kFileTypeJpeg)
        out[n++] = {"jpg", ImageKind::Jpeg};
    if (filter.fileType & kFileTypeRaw) {
        for (auto p : {ScanPattern{"cr2", ImageKind::Cr2}, ScanPattern{"crw", ImageKind::Crw},
                       ScanPattern{"nef", ImageKind::Nef}, ScanPattern{"orf", ImageKind::Orf},
                       ScanPattern{"pef", ImageKind::Pef}, ScanPattern{"mrw", ImageKind::Mrw},
                       ScanPattern{"erf", ImageKind::Erf}, ScanPattern{"raf", ImageKind::Raf},
                       ScanPattern{"sr2", ImageKind::Sr2}})
            out[n++] = p;
        for (const ScanPattern& p : kModernRawPatterns)
            if (filter.rawKind & rawKindBit(p.kind))
                out[n++] = p;
    }
    if (filter.fileType & kFileTypeMisc) {
        // TIFF is listed whenever the group is on, without asking MiscKind.
        out[n++] = {"tif", ImageKind::Tiff};
        if (filter.miscKind & kMiscBmp)
            out[n++] = {"bmp", ImageKind::Bmp};
        if (filter.miscKind & kMiscGif)
            out[n++] = {"gif", ImageKind::Gif};
        if (filter.miscKind & kMiscIco)
            out[n++] = {"ico", ImageKind::Ico};
        if (filter.miscKind & kMiscCur)
            out[n++] = {"cur", ImageKind::Cur};
        if (filter.miscKind & kMiscPsd)
            out[n++] = {"psd", ImageKind::Psd};
        for (const ScanPattern& p : kPicturePatterns)
            if (filter.pictureKind & pictureKindBit(p.kind))
                out[n++] = p;
    }
    return n;
}

} // namespace lumora
