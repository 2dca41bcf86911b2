// Seeds for the picture decoders: BMP in every depth and compression, GIF
// with and without frames, interlace and transparency, icons and cursors
// with BMP and PNG images, and JPEGs.
#include "SeedRecipes.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <algorithm>

namespace {

constexpr int kW = 7, kH = 5; // odd sizes: padded rows

std::uint8_t pattern(int x, int y, int levels) {
    return static_cast<std::uint8_t>((x * 3 + y * 5) % levels);
}

// The DIB part of a BMP (header, masks, palette, pixels) for bpp 1 to 32.
// compression: 0 none, 1 RLE8, 2 RLE4, 3 bit fields. rows < 0: top-down.
Bytes dib(int bpp, int compression, int width, int rows, bool forIcon = false) {
    const int height = rows < 0 ? -rows : rows;
    Bytes pixels;
    if (compression == 1 || compression == 2) {
        for (int y = 0; y < height; ++y) {
            if (compression == 1) {
                pixels.insert(pixels.end(), {3, pattern(0, y, 16)}); // run of 3
                pixels.insert(pixels.end(), {0, 4});                  // 4 literals, padded
                for (int x = 3; x < 7; ++x)
                    pixels.push_back(pattern(x, y, 16));
            } else {
                pixels.insert(pixels.end(), {4, 0x12});
                pixels.insert(pixels.end(), {0, 3, 0x34, 0x50});
            }
            if (y == 1)
                pixels.insert(pixels.end(), {0, 2, 0, 0}); // a delta of nothing
            pixels.insert(pixels.end(), {0, 0});            // end of line
        }
        pixels.insert(pixels.end(), {0, 1}); // end of bitmap
    } else {
        const int stride = (width * bpp + 31) / 32 * 4;
        for (int y = 0; y < height; ++y) {
            Bytes row(static_cast<std::size_t>(stride), 0);
            for (int x = 0; x < width; ++x) {
                switch (bpp) {
                case 1:
                    if (pattern(x, y, 2))
                        row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
                    break;
                case 4:
                    row[x / 2] |= static_cast<std::uint8_t>(pattern(x, y, 16) << (x % 2 ? 0 : 4));
                    break;
                case 8:
                    row[x] = pattern(x, y, 256);
                    break;
                case 16:
                    row[x * 2] = pattern(x, y, 256);
                    row[x * 2 + 1] = static_cast<std::uint8_t>(pattern(y, x, 128));
                    break;
                default:
                    for (int c = 0; c < bpp / 8; ++c)
                        row[x * (bpp / 8) + c] = static_cast<std::uint8_t>(40 * c + 30 * x + 20 * y);
                }
            }
            pixels.insert(pixels.end(), row.begin(), row.end());
        }
    }
    Bytes d;
    Put32le(d, 40);
    Put32le(d, static_cast<std::uint32_t>(width));
    Put32le(d, static_cast<std::uint32_t>(forIcon ? height * 2 : rows));
    Put16le(d, 1);
    Put16le(d, static_cast<std::uint32_t>(bpp));
    Put32le(d, static_cast<std::uint32_t>(compression));
    Put32le(d, static_cast<std::uint32_t>(pixels.size()));
    Put32le(d, 2835);
    Put32le(d, 2835);
    const int colours = bpp <= 8 ? 1 << bpp : 0;
    Put32le(d, static_cast<std::uint32_t>(colours));
    Put32le(d, 0);
    if (compression == 3) {
        if (bpp == 16) {
            Put32le(d, 0xF800);
            Put32le(d, 0x07E0);
            Put32le(d, 0x001F);
        } else {
            Put32le(d, 0x00FF0000);
            Put32le(d, 0x0000FF00);
            Put32le(d, 0x000000FF);
        }
    }
    for (int i = 0; i < colours; ++i)
        d.insert(d.end(), {static_cast<std::uint8_t>(i * 17), static_cast<std::uint8_t>(255 - i),
                           static_cast<std::uint8_t>(i * 5), 0});
    d.insert(d.end(), pixels.begin(), pixels.end());
    if (forIcon) { // the AND mask: 1-bit rows
        const int maskStride = (width + 31) / 32 * 4;
        for (int y = 0; y < height; ++y)
            for (int i = 0; i < maskStride; ++i)
                d.push_back(y == 0 ? 0xF0 : 0x00);
    }
    return d;
}

Bytes bmp(int bpp, int compression, int rows = kH) {
    const Bytes d = dib(bpp, compression, kW, rows);
    const int colours = bpp <= 8 ? 1 << bpp : 0;
    const std::uint32_t offset = 14 + 40 + (compression == 3 ? 12 : 0) + colours * 4;
    Bytes f = {'B', 'M'};
    Put32le(f, static_cast<std::uint32_t>(14 + d.size()));
    Put32le(f, 0);
    Put32le(f, offset);
    f.insert(f.end(), d.begin(), d.end());
    return f;
}

// LZW data that a GIF decoder reads as one literal per pixel: a clear code
// before every second literal keeps the code width at its first size.
Bytes gifData(const Bytes& indices, int minCodeSize) {
    const int clear = 1 << minCodeSize, end = clear + 1, width = minCodeSize + 1;
    Bytes out;
    std::uint32_t acc = 0;
    int bits = 0;
    auto putCode = [&](int code) {
        acc |= static_cast<std::uint32_t>(code) << bits;
        bits += width;
        while (bits >= 8) {
            out.push_back(static_cast<std::uint8_t>(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    };
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (i % 2 == 0)
            putCode(clear);
        putCode(indices[i]);
    }
    putCode(end);
    if (bits > 0)
        out.push_back(static_cast<std::uint8_t>(acc & 0xFF));
    Bytes blocks = {static_cast<std::uint8_t>(minCodeSize)};
    for (std::size_t i = 0; i < out.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, out.size() - i);
        blocks.push_back(static_cast<std::uint8_t>(n));
        blocks.insert(blocks.end(), out.begin() + static_cast<long>(i),
                      out.begin() + static_cast<long>(i + n));
    }
    blocks.push_back(0);
    return blocks;
}

Bytes gif(int frames, bool interlaced, bool transparent, bool localTable, bool loop) {
    Bytes f = {'G', 'I', 'F', '8', '9', 'a'};
    Put16le(f, kW);
    Put16le(f, kH);
    f.insert(f.end(), {0x91, 0, 0}); // 4-colour global table, background 0
    f.insert(f.end(), {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255});
    if (loop) {
        f.insert(f.end(), {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0',
                           3, 1, 0, 0, 0});
    }
    f.insert(f.end(), {0x21, 0xFE, 4, 'f', 'u', 'z', 'z', 0}); // a comment
    for (int frame = 0; frame < frames; ++frame) {
        f.insert(f.end(), {0x21, 0xF9, 4, static_cast<std::uint8_t>(transparent ? 0x09 : 0x04), 10,
                           0, 3, 0});
        const int w = frame == 0 ? kW : 3, h = frame == 0 ? kH : 2;
        f.push_back(0x2C);
        Put16le(f, static_cast<std::uint32_t>(frame));
        Put16le(f, static_cast<std::uint32_t>(frame));
        Put16le(f, static_cast<std::uint32_t>(w));
        Put16le(f, static_cast<std::uint32_t>(h));
        std::uint8_t packed = interlaced ? 0x40 : 0;
        if (localTable)
            packed |= 0x81; // 4-colour local table
        f.push_back(packed);
        if (localTable)
            f.insert(f.end(), {9, 9, 9, 200, 100, 0, 0, 100, 200, 250, 250, 250});
        Bytes indices;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                indices.push_back(pattern(x, y, 4));
        const Bytes data = gifData(indices, 2);
        f.insert(f.end(), data.begin(), data.end());
    }
    f.push_back(0x3B);
    return f;
}

QByteArray written(const QImage& image, const char* format, int quality = -1,
                   bool progressive = false) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (progressive)
        writer.setProgressiveScanWrite(true);
    writer.write(image);
    return out;
}

QImage colourPicture(int w, int h, QImage::Format format) {
    QImage image(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y, QColor(x * 30 % 256, y * 40 % 256, (x + y) * 20 % 256,
                                             (x + y) % 3 ? 255 : 0));
    return image;
}

// An icon or cursor file holding the given images (DIBs or PNGs).
Bytes iconFile(bool cursor, const std::vector<std::pair<int, Bytes>>& images) {
    Bytes f;
    Put16le(f, 0);
    Put16le(f, cursor ? 2 : 1);
    Put16le(f, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const auto& [bpp, image] : images) {
        f.insert(f.end(), {kW, kH, static_cast<std::uint8_t>(bpp <= 8 ? 1 << bpp : 0), 0});
        Put16le(f, cursor ? 2 : 1);                                // planes, or hotspot x
        Put16le(f, cursor ? 3 : static_cast<std::uint32_t>(bpp)); // depth, or hotspot y
        Put32le(f, static_cast<std::uint32_t>(image.size()));
        Put32le(f, offset);
        offset += static_cast<std::uint32_t>(image.size());
    }
    for (const auto& entry : images)
        f.insert(f.end(), entry.second.begin(), entry.second.end());
    return f;
}

Bytes png(const QImage& image) {
    const QByteArray b = written(image, "png");
    return Bytes(b.begin(), b.end());
}

} // namespace

Bytes SmallJpeg(int width, int height, bool progressive, bool grey) {
    const QImage image = colourPicture(width, height, QImage::Format_RGB32)
                             .convertToFormat(grey ? QImage::Format_Grayscale8
                                                   : QImage::Format_RGB888);
    const QByteArray b = written(image, "jpeg", 60, progressive);
    return Bytes(b.begin(), b.end());
}

std::vector<Seed> PictureSeeds() {
    std::vector<Seed> seeds;
    const std::pair<int, int> bmps[] = {{1, 0}, {4, 0}, {8, 0}, {16, 0}, {24, 0},
                                        {32, 0}, {8, 1}, {4, 2}, {16, 3}, {32, 3}};
    for (const auto& [bpp, compression] : bmps)
        seeds.push_back(WithKind(0, "bmp-" + std::to_string(bpp) + "-" + std::to_string(compression) +
                                        ".bmp",
                                 bmp(bpp, compression)));
    seeds.push_back(WithKind(0, "bmp-24-topdown.bmp", bmp(24, 0, -kH)));
    seeds.push_back(WithKind(1, "gif-plain.gif", gif(1, false, false, false, false)));
    seeds.push_back(WithKind(1, "gif-interlaced.gif", gif(1, true, true, false, false)));
    seeds.push_back(WithKind(1, "gif-frames.gif", gif(3, false, true, true, true)));
    const QImage rgba = colourPicture(kW, kH, QImage::Format_ARGB32);
    for (int kind : {2, 3}) {
        const bool cursor = kind == 3;
        const std::string ext = cursor ? ".cur" : ".ico";
        seeds.push_back(WithKind(kind, "dib32" + ext, iconFile(cursor, {{32, dib(32, 0, kW, kH, true)}})));
        seeds.push_back(WithKind(kind, "dib8-4-1" + ext,
                                 iconFile(cursor, {{8, dib(8, 0, kW, kH, true)},
                                                   {4, dib(4, 0, kW, kH, true)},
                                                   {1, dib(1, 0, kW, kH, true)}})));
        seeds.push_back(WithKind(kind, "png" + ext, iconFile(cursor, {{32, png(rgba)}})));
    }
    const QByteArray qtIcon = written(rgba, "ico");
    seeds.push_back(WithKind(2, "qt.ico", Bytes(qtIcon.begin(), qtIcon.end())));
    return seeds;
}

std::vector<Seed> JpegSeeds() {
    return {{"baseline.jpg", SmallJpeg(17, 11)},
            {"progressive.jpg", SmallJpeg(19, 13, true)},
            {"grey.jpg", SmallJpeg(9, 9, false, true)},
            {"larger.jpg", SmallJpeg(200, 120)}};
}
