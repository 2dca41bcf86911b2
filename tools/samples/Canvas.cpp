#include "Canvas.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace lumora::samples {

namespace {

// 5 x 7 block letters; each row's low 5 bits, most significant bit leftmost.
struct Glyph {
    char c;
    std::array<uint8_t, 7> rows;
};

constexpr Glyph kGlyphs[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'_', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F}},
    {'/', {0x01, 0x01, 0x02, 0x04, 0x08, 0x10, 0x10}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'(', {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}},
    {')', {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08}},
    {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}},
    {'=', {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}},
};

const Glyph* findGlyph(char c) {
    const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const Glyph& g : kGlyphs)
        if (g.c == u)
            return &g;
    return nullptr;
}

uint8_t mix(uint8_t a, uint8_t b, int num, int den) {
    return static_cast<uint8_t>((a * (den - num) + b * num) / den);
}

} // namespace

Canvas::Canvas(int width, int height, Rgb fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_ * 3) {
    fillRect(0, 0, width_, height_, fill);
}

Rgb Canvas::at(int x, int y) const {
    const uint8_t* p = &pixels_[(static_cast<std::size_t>(y) * width_ + x) * 3];
    return {p[0], p[1], p[2]};
}

void Canvas::set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    uint8_t* p = &pixels_[(static_cast<std::size_t>(y) * width_ + x) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

void Canvas::fillRect(int x, int y, int w, int h, Rgb c) {
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + w, width_), y1 = std::min(y + h, height_);
    for (int yy = y0; yy < y1; ++yy) {
        uint8_t* p = &pixels_[(static_cast<std::size_t>(yy) * width_ + x0) * 3];
        for (int xx = x0; xx < x1; ++xx, p += 3) {
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
    }
}

void Canvas::gradient(Rgb a, Rgb b) {
    const int den = std::max(width_ + height_ - 2, 1);
    const int shadeDen = std::max(height_ - 1, 1);
    // Colour along the diagonal (x + y), then a per-row brightness table.
    std::vector<Rgb> diagonal(static_cast<std::size_t>(width_ + height_));
    for (std::size_t t = 0; t < diagonal.size(); ++t) {
        const int n = static_cast<int>(t);
        diagonal[t] = {mix(a.r, b.r, n, den), mix(a.g, b.g, n, den), mix(a.b, b.b, n, den)};
    }
    uint8_t shadeOf[256];
    for (int y = 0; y < height_; ++y) {
        // Brightness falls by 40 % from top to bottom.
        const int shade = 100 - 40 * y / shadeDen;
        for (int v = 0; v < 256; ++v)
            shadeOf[v] = static_cast<uint8_t>(v * shade / 100);
        uint8_t* p = &pixels_[static_cast<std::size_t>(y) * width_ * 3];
        const Rgb* d = diagonal.data() + y;
        for (int x = 0; x < width_; ++x, p += 3, ++d) {
            p[0] = shadeOf[d->r];
            p[1] = shadeOf[d->g];
            p[2] = shadeOf[d->b];
        }
    }
}

int Canvas::textWidth(const std::string& s, int scale) {
    if (s.empty())
        return 0;
    return static_cast<int>(s.size()) * 6 * scale - scale;
}

void Canvas::text(int x, int y, const std::string& s, int scale, Rgb c) {
    for (char ch : s) {
        if (const Glyph* g = findGlyph(ch)) {
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (g->rows[row] & (0x10 >> col))
                        fillRect(x + col * scale, y + row * scale, scale, scale, c);
        }
        x += 6 * scale;
    }
}

void Canvas::label(int cx, int y, const std::string& s, int maxScale, int maxWidth, Rgb c) {
    int scale = std::max(maxScale, 1);
    while (scale > 1 && textWidth(s, scale) > maxWidth)
        --scale;
    const int x = cx - textWidth(s, scale) / 2;
    const int shadow = std::max(scale / 3, 1);
    text(x + shadow, y + shadow, s, scale, {0, 0, 0});
    text(x, y, s, scale, c);
}

void Canvas::arrowUp(int x, int y, int w, int h, Rgb fill, Rgb outline) {
    auto draw = [&](int inset, Rgb colour) {
        const int headH = h * 9 / 20;
        const int cx = x + w / 2;
        // Head: a triangle whose apex is at the top.
        for (int yy = inset; yy < headH; ++yy) {
            const int half = (w / 2 - inset) * (yy - inset) / std::max(headH - inset, 1);
            fillRect(cx - half, y + yy, 2 * half + 1, 1, colour);
        }
        // Shaft: a third of the width, down to the bottom.
        const int shaftHalf = w / 6 - inset;
        fillRect(cx - shaftHalf, y + headH - inset, 2 * shaftHalf + 1, h - headH, colour);
    };
    const int border = std::max(std::min(w, h) / 24, 1);
    draw(0, outline);
    draw(border, fill);
}

Canvas Canvas::storedForOrientation(int orientation) const {
    const int w = width_, h = height_;
    const bool swaps = orientation >= 5 && orientation <= 8;
    Canvas out(swaps ? h : w, swaps ? w : h);
    for (int y = 0; y < out.height_; ++y)
        for (int x = 0; x < out.width_; ++x) {
            int ux = x, uy = y; // source pixel of the upright picture
            switch (orientation) {
            case 2:
                ux = w - 1 - x;
                break;
            case 3:
                ux = w - 1 - x;
                uy = h - 1 - y;
                break;
            case 4:
                uy = h - 1 - y;
                break;
            case 5:
                ux = y;
                uy = x;
                break;
            case 6:
                ux = w - 1 - y;
                uy = x;
                break;
            case 7:
                ux = w - 1 - y;
                uy = h - 1 - x;
                break;
            case 8:
                ux = y;
                uy = h - 1 - x;
                break;
            default:
                break;
            }
            out.set(x, y, at(ux, uy));
        }
    return out;
}

namespace {
int pictureDivisor = 1;
} // namespace

void setPictureDivisor(int divisor) {
    pictureDivisor = divisor > 1 ? divisor : 1;
}

Canvas renderSamplePicture(int width, int height, const std::string& title,
                           const std::string& subtitle, unsigned seed) {
    if (pictureDivisor > 1) {
        width = std::max(8, width / pictureDivisor);
        height = std::max(8, height / pictureDivisor);
    }
    static constexpr Rgb kPalette[] = {
        {40, 90, 200}, {230, 140, 30}, {30, 160, 90}, {190, 40, 120},
        {90, 60, 180}, {20, 150, 170}, {200, 70, 50}, {120, 150, 30},
    };
    const Rgb a = kPalette[seed % 8];
    const Rgb b = kPalette[(seed + 1 + (seed / 8) % 7) % 8]; // never the same as a
    Canvas c(width, height);
    c.gradient(a, b);
    const int margin = std::max(width / 40, 1);
    const int titleScale = std::max(height / 14 / 7, 1);
    c.label(width / 2, margin, title, titleScale, width - 2 * margin, {255, 255, 255});
    const int arrowH = height * 11 / 20;
    const int arrowW = std::min(width / 3, arrowH);
    const int arrowY = margin + titleScale * 7 + margin * 2;
    c.arrowUp(width / 2 - arrowW / 2, arrowY, arrowW, arrowH, {250, 250, 250}, {20, 20, 20});
    const int subScale = std::max(titleScale * 2 / 3, 1);
    c.label(width / 2, height - margin - subScale * 7, subtitle, subScale, width - 2 * margin,
            {255, 240, 160});
    return c;
}

} // namespace lumora::samples
