// TIFF, PSD, BMP, GIF, ICO and CUR samples.
#include "SampleGen.h"

#include "Canvas.h"
#include "JpegEncode.h"

#include <algorithm>

namespace lumora::samples {

namespace {

void put16be(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x >> 8));
    v.push_back(static_cast<uint8_t>(x));
}
void put32be(std::vector<uint8_t>& v, uint32_t x) {
    put16be(v, static_cast<uint16_t>(x >> 16));
    put16be(v, static_cast<uint16_t>(x));
}
void put16le(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void put32le(std::vector<uint8_t>& v, uint32_t x) {
    put16le(v, static_cast<uint16_t>(x));
    put16le(v, static_cast<uint16_t>(x >> 16));
}

WrittenSample plainRecord(const std::string& name, int kind, int w, int h,
                          const std::string& note) {
    WrittenSample s;
    s.name = name;
    s.kind = kind;
    s.width = w;
    s.height = h;
    s.note = note;
    return s;
}

// PackBits: runs of 2..128 equal bytes as (1 - n, byte); anything else as
// literal groups of up to 128 bytes (n - 1, bytes...).
std::vector<uint8_t> packBits(const uint8_t* p, std::size_t n) {
    std::vector<uint8_t> out;
    std::size_t i = 0;
    while (i < n) {
        std::size_t run = 1;
        while (i + run < n && run < 128 && p[i + run] == p[i])
            ++run;
        if (run >= 2) {
            out.push_back(static_cast<uint8_t>(1 - static_cast<int>(run)));
            out.push_back(p[i]);
            i += run;
            continue;
        }
        std::size_t start = i, len = 0;
        while (i < n && len < 128) {
            if (i + 1 < n && p[i + 1] == p[i])
                break; // a run starts here
            ++i;
            ++len;
        }
        out.push_back(static_cast<uint8_t>(len - 1));
        out.insert(out.end(), p + start, p + start + len);
    }
    return out;
}

// Icon and cursor picture: a round badge with an up arrow, transparent outside.
Canvas iconPicture(int size, std::vector<bool>& opaque) {
    Canvas c = renderSamplePicture(size, size, "", "", 31);
    c.arrowUp(size / 4, size / 8, size / 2, size * 3 / 4, {255, 255, 255}, {0, 0, 0});
    opaque.assign(static_cast<std::size_t>(size) * size, false);
    const int r2 = (size / 2) * (size / 2);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int dx = 2 * x + 1 - size, dy = 2 * y + 1 - size;
            opaque[static_cast<std::size_t>(y) * size + x] = dx * dx + dy * dy <= 4 * r2;
        }
    return c;
}

} // namespace

WrittenSample writeTiff(const std::string& dir, const std::string& name, bool le) {
    CameraInfo c = le ? canonCamera() : nikonCamera();
    c.makerNote = MakerNoteKind::None;
    const int w = 480, h = 320, rowsPerStrip = 32;
    c.pixelX = w;
    c.pixelY = h;
    const Canvas pic = renderSamplePicture(w, h, name, le ? "TIFF II" : "TIFF MM", le ? 41 : 42);
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3;

    TiffStream s(le);
    s.header();
    IfdBuilder ifd0(le);
    std::vector<std::string> strips;
    std::vector<uint32_t> counts;
    for (int y = 0; y < h; y += rowsPerStrip) {
        strips.push_back("strip" + std::to_string(y));
        counts.push_back(static_cast<uint32_t>(std::min(rowsPerStrip, h - y) * rowBytes));
    }
    ifd0.longs(256, {uint32_t(w)})
        .longs(257, {uint32_t(h)})
        .shorts(258, {8, 8, 8})
        .shorts(259, {1})
        .shorts(262, {2})
        .offsetsTo(273, strips)
        .shorts(277, {3})
        .longs(278, {uint32_t(rowsPerStrip)})
        .longs(279, counts)
        .shorts(284, {1});
    addCameraIfd0Fields(ifd0, c);
    s.writeIfd(ifd0, "ifd0");
    writeExifIfd(s, c);
    for (std::size_t i = 0; i < strips.size(); ++i) {
        const auto* begin = pic.pixels().data() + i * rowsPerStrip * rowBytes;
        s.blob(strips[i], {begin, begin + counts[i]});
    }
    s.finish();
    writeFileBytes(dir + "/" + name, s.bytes());

    WrittenSample r =
        plainRecord(name, kKindTiff, w, h,
                    le ? "little-endian RGB strips with EXIF" : "big-endian RGB strips with EXIF");
    r.hasExif = true;
    r.camera = c;
    return r;
}

WrittenSample writeOrientedTiff(const std::string& dir, const std::string& name, int orientation,
                                bool tiled) {
    CameraInfo c = canonCamera();
    c.makerNote = MakerNoteKind::None;
    c.orientation = orientation;
    const int w = 300, h = 225, band = 16; // upright size; strips of 16 rows or 16 x 16 tiles
    const Canvas upright = renderSamplePicture(w, h, name, "TIFF UPRIGHT", 43);
    const Canvas stored = upright.storedForOrientation(orientation);
    const int sw = stored.width(), sh = stored.height();

    // Strips, or tiles padded to their full size, top row first.
    std::vector<std::vector<uint8_t>> pieces;
    const auto pixel = [&](int x, int y, std::vector<uint8_t>& out) {
        const Rgb p = x < sw && y < sh ? stored.at(x, y) : Rgb{};
        out.insert(out.end(), {p.r, p.g, p.b});
    };
    for (int y0 = 0; y0 < sh; y0 += band) {
        if (!tiled) {
            std::vector<uint8_t> strip;
            for (int y = y0; y < std::min(sh, y0 + band); ++y)
                for (int x = 0; x < sw; ++x)
                    pixel(x, y, strip);
            pieces.push_back(std::move(strip));
            continue;
        }
        for (int x0 = 0; x0 < sw; x0 += band) {
            std::vector<uint8_t> tile;
            for (int y = y0; y < y0 + band; ++y)
                for (int x = x0; x < x0 + band; ++x)
                    pixel(x, y, tile);
            pieces.push_back(std::move(tile));
        }
    }
    std::vector<std::string> labels;
    std::vector<uint32_t> counts;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        labels.push_back("piece" + std::to_string(i));
        counts.push_back(static_cast<uint32_t>(pieces[i].size()));
    }

    TiffStream s(true);
    s.header();
    IfdBuilder ifd0(true);
    ifd0.longs(256, {uint32_t(sw)})
        .longs(257, {uint32_t(sh)})
        .shorts(258, {8, 8, 8})
        .shorts(259, {1})
        .shorts(262, {2})
        .shorts(277, {3})
        .shorts(284, {1});
    if (tiled)
        ifd0.longs(322, {uint32_t(band)})
            .longs(323, {uint32_t(band)})
            .offsetsTo(324, labels)
            .longs(325, counts);
    else
        ifd0.offsetsTo(273, labels).longs(278, {uint32_t(band)}).longs(279, counts);
    addCameraIfd0Fields(ifd0, c); // the orientation tag among them
    s.writeIfd(ifd0, "ifd0");
    writeExifIfd(s, c);
    for (std::size_t i = 0; i < pieces.size(); ++i)
        s.blob(labels[i], pieces[i]);
    s.finish();
    writeFileBytes(dir + "/" + name, s.bytes());

    WrittenSample r = plainRecord(name, kKindTiff, w, h,
                                  "RGB " + std::string(tiled ? "tiles" : "strips") +
                                      " stored for orientation " + std::to_string(orientation));
    r.hasExif = true;
    r.camera = c;
    return r;
}

WrittenSample writePsd(const std::string& dir, const std::string& name, int compression,
                       bool withThumbnail) {
    const int w = 400, h = 300;
    const Canvas pic = renderSamplePicture(w, h, name, compression ? "PSD PACKBITS" : "PSD RAW",
                                           compression ? 33 : 32);
    std::vector<uint8_t> thumb;
    if (withThumbnail) {
        JpegOptions jo;
        jo.quality = 75;
        jo.jfifHeader = true;
        thumb = encodeJpeg(renderSamplePicture(160, 120, name, "PSD THUMB", 34), jo);
    }

    std::vector<uint8_t> f = {'8', 'B', 'P', 'S'};
    put16be(f, 1);
    f.insert(f.end(), 6, 0);
    put16be(f, 3); // channels
    put32be(f, uint32_t(h));
    put32be(f, uint32_t(w));
    put16be(f, 8); // depth
    put16be(f, 3); // RGB
    put32be(f, 0); // colour-mode data

    std::vector<uint8_t> res;
    auto resource = [&](uint16_t id, const std::vector<uint8_t>& data) {
        res.insert(res.end(), {'8', 'B', 'I', 'M'});
        put16be(res, id);
        res.insert(res.end(), {0, 0}); // empty name, padded to even
        put32be(res, uint32_t(data.size()));
        res.insert(res.end(), data.begin(), data.end());
        if (data.size() % 2)
            res.push_back(0);
    };
    std::vector<uint8_t> resolution;
    put32be(resolution, 72u << 16);
    put16be(resolution, 1);
    put16be(resolution, 2);
    put32be(resolution, 72u << 16);
    put16be(resolution, 1);
    put16be(resolution, 2);
    resource(1005, resolution);
    std::size_t thumbInRes = 0;
    if (withThumbnail) {
        std::vector<uint8_t> t;
        const uint32_t tw = 160, th = 120, rowBytes = (tw * 24 + 31) / 32 * 4;
        put32be(t, 1); // JPEG RGB
        put32be(t, tw);
        put32be(t, th);
        put32be(t, rowBytes);
        put32be(t, rowBytes * th);
        put32be(t, uint32_t(thumb.size()));
        put16be(t, 24);
        put16be(t, 1);
        thumbInRes = res.size() + 4 + 2 + 2 + 4 + t.size();
        t.insert(t.end(), thumb.begin(), thumb.end());
        resource(1036, t);
    }
    put32be(f, uint32_t(res.size()));
    const std::size_t resAt = f.size();
    f.insert(f.end(), res.begin(), res.end());
    put32be(f, 0); // layer and mask information

    put16be(f, uint16_t(compression));
    const auto& px = pic.pixels();
    if (compression == 0) {
        for (int ch = 0; ch < 3; ++ch)
            for (std::size_t i = 0; i < static_cast<std::size_t>(w) * h; ++i)
                f.push_back(px[i * 3 + ch]);
    } else {
        std::vector<std::vector<uint8_t>> rows;
        std::vector<uint8_t> plane(static_cast<std::size_t>(w));
        for (int ch = 0; ch < 3; ++ch)
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x)
                    plane[x] = px[(static_cast<std::size_t>(y) * w + x) * 3 + ch];
                rows.push_back(packBits(plane.data(), plane.size()));
            }
        for (const auto& r : rows)
            put16be(f, uint16_t(r.size()));
        for (const auto& r : rows)
            f.insert(f.end(), r.begin(), r.end());
    }
    writeFileBytes(dir + "/" + name, f);

    WrittenSample r =
        plainRecord(name, kKindPsd, w, h,
                    std::string(compression ? "PackBits" : "raw") + " RGB" +
                        (withThumbnail ? ", thumbnail resource 1036" : ", no thumbnail resource"));
    if (withThumbnail)
        r.thumbnail = {resAt + thumbInRes, thumb.size()};
    return r;
}

WrittenSample writeBmp(const std::string& dir, const std::string& name) {
    const int w = 322, h = 241; // odd width: padded rows
    const Canvas pic = renderSamplePicture(w, h, name, "24-BIT BMP", 35);
    const uint32_t stride = (w * 3 + 3) / 4 * 4;
    std::vector<uint8_t> f = {'B', 'M'};
    put32le(f, 54 + stride * h);
    put32le(f, 0);
    put32le(f, 54);
    put32le(f, 40);
    put32le(f, uint32_t(w));
    put32le(f, uint32_t(h));
    put16le(f, 1);
    put16le(f, 24);
    put32le(f, 0);
    put32le(f, stride * h);
    put32le(f, 2835);
    put32le(f, 2835);
    put32le(f, 0);
    put32le(f, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const Rgb c = pic.at(x, y);
            f.insert(f.end(), {c.b, c.g, c.r});
        }
        f.insert(f.end(), stride - w * 3, 0);
    }
    writeFileBytes(dir + "/" + name, f);
    return plainRecord(name, kKindBmp, w, h, "24-bit bottom-up, padded rows");
}

WrittenSample writeGif(const std::string& dir, const std::string& name) {
    const int w = 240, h = 180;
    const Canvas pic = renderSamplePicture(w, h, "GIF", "TRANSPARENT CORNERS", 36);
    constexpr uint8_t kTransparent = 255;
    std::vector<uint8_t> f = {'G', 'I', 'F', '8', '9', 'a'};
    put16le(f, uint16_t(w));
    put16le(f, uint16_t(h));
    f.push_back(0xF7); // global colour table of 256 entries, 8 bits
    f.push_back(0);
    f.push_back(0);
    for (int i = 0; i < 256; ++i) {
        if (i < 216)
            f.insert(f.end(), {uint8_t(i / 36 * 51), uint8_t(i / 6 % 6 * 51), uint8_t(i % 6 * 51)});
        else
            f.insert(f.end(), {0, 0, 0});
    }
    // Graphic control extension: transparent colour index.
    f.insert(f.end(), {0x21, 0xF9, 4, 0x01, 0, 0, kTransparent, 0});
    f.push_back(0x2C);
    put16le(f, 0);
    put16le(f, 0);
    put16le(f, uint16_t(w));
    put16le(f, uint16_t(h));
    f.push_back(0);

    // LZW with 9-bit codes only: a clear code before the table would grow
    // to 512 entries, so every pixel is a literal code.
    std::vector<uint8_t> data;
    uint32_t acc = 0;
    int bits = 0;
    auto emit = [&](uint32_t code) {
        acc |= code << bits;
        bits += 9;
        while (bits >= 8) {
            data.push_back(uint8_t(acc));
            acc >>= 8;
            bits -= 8;
        }
    };
    const int corner = 24;
    int sinceClear = 0;
    emit(256);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int dx = std::min(x, w - 1 - x), dy = std::min(y, h - 1 - y);
            uint32_t index = kTransparent;
            if (dx >= corner || dy >= corner ||
                (corner - dx) * (corner - dx) + (corner - dy) * (corner - dy) <= corner * corner) {
                const Rgb c = pic.at(x, y);
                index = uint32_t((c.r + 25) / 51 * 36 + (c.g + 25) / 51 * 6 + (c.b + 25) / 51);
            }
            if (sinceClear == 250) {
                emit(256);
                sinceClear = 0;
            }
            emit(index);
            ++sinceClear;
        }
    emit(257);
    if (bits > 0)
        data.push_back(uint8_t(acc));
    f.push_back(8); // minimum code size
    for (std::size_t i = 0; i < data.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - i);
        f.push_back(uint8_t(n));
        f.insert(f.end(), data.begin() + std::ptrdiff_t(i), data.begin() + std::ptrdiff_t(i + n));
    }
    f.push_back(0);
    f.push_back(0x3B);
    writeFileBytes(dir + "/" + name, f);
    return plainRecord(name, kKindGif, w, h, "256 colours, transparent rounded corners");
}

WrittenSample writeIcon(const std::string& dir, const std::string& name, bool cursor) {
    const int sizes[] = {32, 16};
    std::vector<std::vector<uint8_t>> images;
    for (int size : sizes) {
        std::vector<bool> opaque;
        const Canvas c = iconPicture(size, opaque);
        std::vector<uint8_t> img;
        const uint32_t maskStride = ((size + 31) / 32) * 4;
        put32le(img, 40);
        put32le(img, uint32_t(size));
        put32le(img, uint32_t(size * 2)); // colour rows and mask rows
        put16le(img, 1);
        put16le(img, 32);
        put32le(img, 0);
        put32le(img, uint32_t(size * size * 4) + maskStride * size);
        put32le(img, 0);
        put32le(img, 0);
        put32le(img, 0);
        put32le(img, 0);
        for (int y = size - 1; y >= 0; --y)
            for (int x = 0; x < size; ++x) {
                const bool on = opaque[static_cast<std::size_t>(y) * size + x];
                const Rgb p = c.at(x, y);
                img.insert(img.end(), {on ? p.b : uint8_t(0), on ? p.g : uint8_t(0),
                                       on ? p.r : uint8_t(0), on ? uint8_t(255) : uint8_t(0)});
            }
        for (int y = size - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskStride, 0);
            for (int x = 0; x < size; ++x)
                if (!opaque[static_cast<std::size_t>(y) * size + x])
                    row[x / 8] |= uint8_t(0x80 >> (x % 8));
            img.insert(img.end(), row.begin(), row.end());
        }
        images.push_back(std::move(img));
    }
    std::vector<uint8_t> f;
    put16le(f, 0);
    put16le(f, cursor ? 2 : 1);
    put16le(f, uint16_t(images.size()));
    uint32_t offset = 6 + 16 * uint32_t(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int size = sizes[i];
        f.push_back(uint8_t(size));
        f.push_back(uint8_t(size));
        f.push_back(0);
        f.push_back(0);
        put16le(f, cursor ? uint16_t(size / 2) : 1);  // planes, or hotspot x
        put16le(f, cursor ? uint16_t(size / 8) : 32); // bit count, or hotspot y
        put32le(f, uint32_t(images[i].size()));
        put32le(f, offset);
        offset += uint32_t(images[i].size());
    }
    for (const auto& img : images)
        f.insert(f.end(), img.begin(), img.end());
    writeFileBytes(dir + "/" + name, f);
    return plainRecord(name, cursor ? kKindCur : kKindIco, 32, 32,
                       cursor ? "32-bit cursor, hotspot at the arrow tip"
                              : "32-bit icon with alpha and mask, 32 and 16 pixels");
}

} // namespace lumora::samples
