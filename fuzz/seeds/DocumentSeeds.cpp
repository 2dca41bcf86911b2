// Seeds for the TIFF decoder (written through the library: every layout and
// compression it can write) and the layered-image reader (built here).
#include "SeedRecipes.h"

#include <QTemporaryDir>

#include <fstream>
#include <iterator>

#include <tiffio.h>

namespace {

struct TiffLayout {
    std::string name;
    int bits = 8;
    int samples = 3;
    int photometric = PHOTOMETRIC_RGB;
    int compression = COMPRESSION_NONE;
    int planar = PLANARCONFIG_CONTIG;
    bool tiled = false;
    int orientation = ORIENTATION_TOPLEFT;
    int predictor = 0;
    int rowsPerStrip = 4;
    bool bigEndian = false;
    int extraAlpha = 0; // 0 none, else EXTRASAMPLE_ASSOCALPHA or _UNASSALPHA
    bool sampleFormatInt = false;
    bool twoPages = false;
};

constexpr int kW = 16, kH = 12;

Bytes fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writePage(TIFF* tif, const TiffLayout& l, int page) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kW);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kH);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, l.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, l.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, l.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, l.planar);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, l.compression);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, l.orientation);
    if (l.sampleFormatInt)
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_INT);
    if (l.predictor)
        TIFFSetField(tif, TIFFTAG_PREDICTOR, l.predictor);
    if (l.extraAlpha) {
        const uint16_t extra[] = {static_cast<uint16_t>(l.extraAlpha)};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (l.photometric == PHOTOMETRIC_YCBCR && l.compression != COMPRESSION_JPEG)
        TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, 1, 1);
    if (l.compression == COMPRESSION_JPEG) {
        TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 50);
        if (l.photometric == PHOTOMETRIC_YCBCR) {
            TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, 2, 2);
            TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        }
    }
    if (l.photometric == PHOTOMETRIC_PALETTE) {
        const int n = 1 << l.bits;
        std::vector<uint16_t> r(n), g(n), b(n);
        for (int i = 0; i < n; ++i) {
            r[i] = static_cast<uint16_t>(i * 65535 / (n - 1));
            g[i] = static_cast<uint16_t>(65535 - r[i]);
            b[i] = static_cast<uint16_t>((i * 7919) & 0xFFFF);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    }
    if (l.twoPages) {
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(tif, TIFFTAG_PAGENUMBER, page, 2);
    }
    const int planes = l.planar == PLANARCONFIG_SEPARATE ? l.samples : 1;
    const int perPixel = l.planar == PLANARCONFIG_SEPARATE ? 1 : l.samples;
    if (l.tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
        const tmsize_t size = TIFFTileSize(tif);
        for (int p = 0; p < planes; ++p) {
            Bytes tile(static_cast<std::size_t>(size));
            for (std::size_t i = 0; i < tile.size(); ++i)
                tile[i] = static_cast<std::uint8_t>(i * 13 + p * 50 + page);
            if (TIFFWriteTile(tif, tile.data(), 0, 0, 0, static_cast<uint16_t>(p)) < 0)
                return false;
        }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, l.rowsPerStrip);
        const tmsize_t rowBytes = (static_cast<tmsize_t>(kW) * l.bits * perPixel + 7) / 8;
        Bytes row(static_cast<std::size_t>(rowBytes));
        for (int p = 0; p < planes; ++p) {
            for (int y = 0; y < kH; ++y) {
                for (tmsize_t i = 0; i < rowBytes; ++i)
                    row[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 9 + y * 17 + p * 60);
                if (TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y),
                                      static_cast<uint16_t>(p)) < 0)
                    return false;
            }
        }
    }
    return TIFFWriteDirectory(tif) != 0;
}

Bytes tiffFile(const QTemporaryDir& dir, const TiffLayout& l) {
    if (!TIFFIsCODECConfigured(static_cast<uint16_t>(l.compression)))
        return {};
    const std::string path = dir.filePath(QString::fromStdString(l.name)).toStdString();
    TIFF* tif = TIFFOpen(path.c_str(), l.bigEndian ? "wb" : "wl");
    if (!tif)
        return {};
    bool ok = writePage(tif, l, 0);
    if (ok && l.twoPages)
        ok = writePage(tif, l, 1);
    TIFFClose(tif);
    return ok ? fileBytes(path) : Bytes{};
}

// A layered-image file of w x h with the given channels, depth and mode;
// compression 0 raw, 1 PackBits; thumbnail resource 1036 or 1033 (0: none).
Bytes psd(int channels, int depth, int mode, int compression, int thumbnailId, int w = 9,
          int h = 6) {
    Bytes f = {'8', 'B', 'P', 'S'};
    Put16be(f, 1);
    f.insert(f.end(), 6, 0);
    Put16be(f, static_cast<std::uint32_t>(channels));
    Put32be(f, static_cast<std::uint32_t>(h));
    Put32be(f, static_cast<std::uint32_t>(w));
    Put16be(f, static_cast<std::uint32_t>(depth));
    Put16be(f, static_cast<std::uint32_t>(mode));
    if (mode == 2) { // indexed: a 768-byte colour table
        Put32be(f, 768);
        for (int i = 0; i < 768; ++i)
            f.push_back(static_cast<std::uint8_t>(i));
    } else {
        Put32be(f, 0);
    }
    Bytes resources;
    // A resource the reader skips, with an odd name and odd data length.
    resources.insert(resources.end(), {'8', 'B', 'I', 'M'});
    Put16be(resources, 1005);
    resources.insert(resources.end(), {3, 'a', 'b', 'c'});
    Put32be(resources, 3);
    resources.insert(resources.end(), {1, 2, 3, 0});
    if (thumbnailId) {
        const Bytes jpeg = SmallJpeg(8, 6);
        resources.insert(resources.end(), {'8', 'B', 'I', 'M'});
        Put16be(resources, static_cast<std::uint32_t>(thumbnailId));
        resources.insert(resources.end(), {0, 0});
        Put32be(resources, static_cast<std::uint32_t>(28 + jpeg.size()));
        Put32be(resources, 1); // JPEG RGB
        Put32be(resources, 8);
        Put32be(resources, 6);
        Put32be(resources, 24);
        Put32be(resources, 8 * 6 * 3);
        Put32be(resources, static_cast<std::uint32_t>(jpeg.size()));
        Put16be(resources, 24);
        Put16be(resources, 1);
        resources.insert(resources.end(), jpeg.begin(), jpeg.end());
        if (resources.size() % 2)
            resources.push_back(0);
    }
    Put32be(f, static_cast<std::uint32_t>(resources.size()));
    f.insert(f.end(), resources.begin(), resources.end());
    Put32be(f, 0); // no layers
    Put16be(f, static_cast<std::uint32_t>(compression));
    const int bytesPerSample = depth / 8 > 0 ? depth / 8 : 1;
    if (compression == 0) {
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < w * h * bytesPerSample; ++i)
                f.push_back(static_cast<std::uint8_t>(i * 7 + c * 80));
    } else {
        // Each row: a run of 4 and the rest as literals.
        Bytes rows;
        std::vector<std::uint32_t> counts;
        for (int c = 0; c < channels; ++c) {
            for (int y = 0; y < h; ++y) {
                const std::size_t before = rows.size();
                rows.insert(rows.end(), {static_cast<std::uint8_t>(257 - 4),
                                         static_cast<std::uint8_t>(c * 60 + y)});
                rows.push_back(static_cast<std::uint8_t>(w - 4 - 1));
                for (int x = 4; x < w; ++x)
                    rows.push_back(static_cast<std::uint8_t>(x * 20 + c));
                counts.push_back(static_cast<std::uint32_t>(rows.size() - before));
            }
        }
        for (std::uint32_t n : counts)
            Put16be(f, n);
        f.insert(f.end(), rows.begin(), rows.end());
    }
    return f;
}

} // namespace

std::vector<Seed> TiffSeeds() {
    QTemporaryDir dir;
    if (!dir.isValid())
        return {};
    std::vector<TiffLayout> layouts;
    auto add = [&](std::string name, auto change) {
        TiffLayout l;
        l.name = std::move(name);
        change(l);
        layouts.push_back(l);
    };
    add("rgb.tif", [](TiffLayout&) {});
    add("rgb-mm.tif", [](TiffLayout& l) { l.bigEndian = true; });
    add("rgb-lzw-pred.tif", [](TiffLayout& l) {
        l.compression = COMPRESSION_LZW;
        l.predictor = 2;
    });
    add("rgb-packbits.tif", [](TiffLayout& l) { l.compression = COMPRESSION_PACKBITS; });
    add("rgb-deflate.tif", [](TiffLayout& l) { l.compression = COMPRESSION_ADOBE_DEFLATE; });
    add("rgb-lzma.tif", [](TiffLayout& l) { l.compression = COMPRESSION_LZMA; });
    add("rgb-zstd.tif", [](TiffLayout& l) { l.compression = COMPRESSION_ZSTD; });
    add("rgb-jpeg.tif", [](TiffLayout& l) {
        l.compression = COMPRESSION_JPEG;
        l.rowsPerStrip = 16;
    });
    add("ycbcr-jpeg.tif", [](TiffLayout& l) {
        l.compression = COMPRESSION_JPEG;
        l.photometric = PHOTOMETRIC_YCBCR;
        l.rowsPerStrip = 16;
    });
    add("rgb-tiled.tif", [](TiffLayout& l) { l.tiled = true; });
    add("rgb-planes.tif", [](TiffLayout& l) { l.planar = PLANARCONFIG_SEPARATE; });
    add("rgba-assoc.tif", [](TiffLayout& l) {
        l.samples = 4;
        l.extraAlpha = EXTRASAMPLE_ASSOCALPHA;
    });
    add("rgba-unassoc-tiled.tif", [](TiffLayout& l) {
        l.samples = 4;
        l.extraAlpha = EXTRASAMPLE_UNASSALPHA;
        l.tiled = true;
    });
    add("rgb16.tif", [](TiffLayout& l) { l.bits = 16; });
    add("grey8-bottom.tif", [](TiffLayout& l) {
        l.samples = 1;
        l.photometric = PHOTOMETRIC_MINISBLACK;
        l.orientation = ORIENTATION_BOTLEFT;
    });
    add("grey16-int.tif", [](TiffLayout& l) {
        l.samples = 1;
        l.bits = 16;
        l.photometric = PHOTOMETRIC_MINISBLACK;
        l.sampleFormatInt = true;
    });
    add("grey4-white.tif", [](TiffLayout& l) {
        l.samples = 1;
        l.bits = 4;
        l.photometric = PHOTOMETRIC_MINISWHITE;
    });
    add("bilevel-g4.tif", [](TiffLayout& l) {
        l.samples = 1;
        l.bits = 1;
        l.photometric = PHOTOMETRIC_MINISWHITE;
        l.compression = COMPRESSION_CCITTFAX4;
        l.rowsPerStrip = kH;
    });
    add("bilevel-g3.tif", [](TiffLayout& l) {
        l.samples = 1;
        l.bits = 1;
        l.photometric = PHOTOMETRIC_MINISWHITE;
        l.compression = COMPRESSION_CCITTFAX3;
        l.rowsPerStrip = kH;
    });
    add("palette8.tif", [](TiffLayout& l) {
        l.samples = 1;
        l.photometric = PHOTOMETRIC_PALETTE;
        l.orientation = ORIENTATION_RIGHTTOP;
    });
    add("palette2-lzw.tif", [](TiffLayout& l) {
        l.samples = 1;
        l.bits = 2;
        l.photometric = PHOTOMETRIC_PALETTE;
        l.compression = COMPRESSION_LZW;
    });
    add("cmyk.tif", [](TiffLayout& l) {
        l.samples = 4;
        l.photometric = PHOTOMETRIC_SEPARATED;
        l.orientation = ORIENTATION_BOTRIGHT;
    });
    add("ycbcr-raw.tif", [](TiffLayout& l) {
        l.photometric = PHOTOMETRIC_YCBCR;
        l.orientation = ORIENTATION_LEFTBOT;
    });
    add("two-pages.tif", [](TiffLayout& l) { l.twoPages = true; });
    std::vector<Seed> seeds;
    for (const TiffLayout& l : layouts)
        seeds.push_back({l.name, tiffFile(dir, l)});
    return seeds;
}

std::vector<Seed> PsdSeeds() {
    return {
        {"rgb-raw.psd", psd(3, 8, 3, 0, 0)},
        {"rgb-packbits-thumb.psd", psd(3, 8, 3, 1, 1036)},
        {"rgba-packbits-oldthumb.psd", psd(4, 8, 3, 1, 1033)},
        {"rgb16-raw.psd", psd(3, 16, 3, 0, 1036)},
        {"grey-raw.psd", psd(1, 8, 1, 0, 0)},
        {"indexed-raw.psd", psd(1, 8, 2, 0, 1036)},
        {"cmyk-packbits.psd", psd(4, 8, 4, 1, 0)},
    };
}
