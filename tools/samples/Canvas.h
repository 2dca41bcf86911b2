// A small top-down RGB raster for drawing recognisable sample pictures:
// gradients, block-letter labels and an upward arrow.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumora::samples {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

class Canvas {
public:
    Canvas() = default;
    Canvas(int width, int height, Rgb fill = {});

    int width() const { return width_; }
    int height() const { return height_; }
    // Red, green, blue per pixel, top row first, no padding.
    const std::vector<uint8_t>& pixels() const { return pixels_; }
    std::vector<uint8_t>& pixels() { return pixels_; }

    Rgb at(int x, int y) const;
    void set(int x, int y, Rgb c); // ignores points outside
    void fillRect(int x, int y, int w, int h, Rgb c);
    // Diagonal two-colour gradient with a brightness ramp from top to bottom.
    void gradient(Rgb topLeft, Rgb bottomRight);
    // Block letters 5 x 7 cells of `scale` pixels; unknown characters are blank.
    void text(int x, int y, const std::string& s, int scale, Rgb c);
    static int textWidth(const std::string& s, int scale);
    // Text centred on cx, shrunk until it fits maxWidth, with a dark shadow.
    void label(int cx, int y, const std::string& s, int maxScale, int maxWidth, Rgb c);
    // Upward arrow filling the box, with an outline so it shows on any background.
    void arrowUp(int x, int y, int w, int h, Rgb fill, Rgb outline);

    // Returns the picture as it must be stored so that a viewer honouring the
    // EXIF orientation (1..8) shows this canvas upright.
    Canvas storedForOrientation(int orientation) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> pixels_;
};

// The standard sample picture: gradient, title at the top, "UP" arrow, a
// subtitle at the bottom. Same inputs give the same pixels.
// Divides the size of every picture rendered from here on (at least 8 x 8),
// so that small files keep the structure of the real ones (fuzz seeds); 1,
// the default, renders the sizes asked for. Not thread-safe: set it before
// writing, from one thread.
void setPictureDivisor(int divisor);
Canvas renderSamplePicture(int width, int height, const std::string& title,
                           const std::string& subtitle, unsigned seed);

} // namespace lumora::samples
