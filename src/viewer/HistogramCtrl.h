// CHistogramCtrl: the tone histogram of the image selected in the thumbnail
// view, drawn from its small pre-image (never from a full decode): one graph
// of brightness (mode 0) or three stacked graphs of red, green and blue
// (mode 1), every table normalised to the pixel count of a 160 x 120 image.
//
// Owner: CInfoContainer (its parent). Threads: user-interface thread only.
#pragma once

#include "imaging/DibImage.h"

#include <QFont>
#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>

namespace lumora {

class CHistogramCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kNormalisedPixels = 19200; // 160 x 120
    static constexpr float kBarScale = 0.2f;
    using Table = std::array<std::uint32_t, 256>;

    explicit CHistogramCtrl(QWidget* parent = nullptr);

    // Takes the pixels (the previous ones are freed), recomputes, repaints.
    void SetPixels(DibImage pixels);
    // Zeroes the four tables and repaints; the pixels stay held.
    void ClearHistogram();
    // Mode 0 brightness, 1 red/green/blue; on a change the tables are
    // recomputed from the held pixels. Other values are ignored.
    void SetHistogramMode(int mode);
    int histogramMode() const { return mode_; }

    // Table 0 brightness, 1 red, 2 green, 3 blue.
    const Table& bins(int index) const { return bins_[std::size_t(index)]; }
    // Fills the four tables for `pixels` in `mode` (zero when there are none).
    static void ComputeTables(const DibImage& pixels, int mode, std::array<Table, 4>& tables);

    // Geometry of the drawing for a client size.
    static int GraphHeight(int mode, int clientHeight);
    static int BarX(int value, int clientWidth) { return value * (clientWidth - 20) / 256 + 10; }
    // Bar height of a count, limited to the graph; `overflow` is set when
    // the count did not fit.
    static int BarHeight(std::uint32_t count, int graphHeight, bool* overflow);

    // The double-buffered picture as painted for a client size.
    QImage Render(QSize size) const;
    int paintCount() const { return paintCount_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void recompute();
    void RenderInto(QImage& image) const;

    std::array<Table, 4> bins_{};
    int mode_ = 0;
    int width_ = 160;
    int height_ = 120;
    DibImage pixels_;
    int paintCount_ = 0;
    QFont font_;
    int textHeight_ = 0;
    QImage buffer_; // the off-screen picture, kept between paints
};

} // namespace lumora
