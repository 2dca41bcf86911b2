#include "viewer/HistogramCtrl.h"

#include "imaging/ImageTools.h"

#include <QPainter>

#include <algorithm>
#include <memory>
#include <vector>

namespace lumora {

namespace {

struct Graph {
    int table;
    const char* label;
    QColor colour;
};

const Graph kGraphs[4] = {
    {0, "Brightness(Y)", QColor(0, 255, 255)},
    {1, "Red", QColor(255, 0, 0)},
    {2, "Green", QColor(0, 255, 0)},
    {3, "Blue", QColor(0, 0, 255)},
};

const QColor kGridColour(32, 32, 32);
const QColor kFrameColour(128, 128, 128);
const QColor kOverflowColour(200, 200, 0);

// GDI lines leave out their end point; these draw the same pixels.
void HLine(QPainter& p, int x0, int x1, int y) { // x0 included, x1 excluded
    if (x1 > x0)
        p.drawLine(x0, y, x1 - 1, y);
    else if (x1 < x0)
        p.drawLine(x0, y, x1 + 1, y);
}
void VLine(QPainter& p, int x, int y0, int y1) { // y0 included, y1 excluded
    if (y1 > y0)
        p.drawLine(x, y0, x, y1 - 1);
    else if (y1 < y0)
        p.drawLine(x, y0, x, y1 + 1);
}

} // namespace

CHistogramCtrl::CHistogramCtrl(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("HistogramCtrl"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    font_ = QFont(QStringLiteral("MS UI Gothic"));
    font_.setPointSize(8);
    textHeight_ = QFontMetrics(font_).height();
}

void CHistogramCtrl::ComputeTables(const DibImage& pixels, int mode, std::array<Table, 4>& tables) {
    for (Table& t : tables)
        t.fill(0);
    if (pixels.isNull() || pixels.width() <= 0 || pixels.height() <= 0)
        return;
    const int w = pixels.width();
    const int h = pixels.height();
    const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    if (mode == 1) {
        std::vector<uint8_t> planes(count * 3);
        CImageTools::SplitBgrPlanes(w, h, pixels.bits(), planes.data(), planes.data() + count,
                                    planes.data() + 2 * count, 3);
        for (int c = 0; c < 3; ++c)
            CImageTools::ComputeHistogram(planes.data() + std::size_t(c) * count, count,
                                          tables[std::size_t(c) + 1].data(), kNormalisedPixels);
    } else {
        std::vector<uint8_t> planes(count * 3);
        CImageTools::ConvertToYCbCrPlanes(w, h, pixels.bits(), planes.data(), planes.data() + count,
                                          planes.data() + 2 * count, 3);
        CImageTools::ComputeHistogram(planes.data(), count, tables[0].data(), kNormalisedPixels);
    }
}

void CHistogramCtrl::recompute() {
    ComputeTables(pixels_, mode_, bins_);
}

void CHistogramCtrl::SetPixels(DibImage pixels) {
    pixels_ = std::move(pixels);
    width_ = pixels_.width();
    height_ = pixels_.height();
    recompute();
    update();
}

void CHistogramCtrl::ClearHistogram() {
    for (Table& t : bins_)
        t.fill(0);
    update();
}

void CHistogramCtrl::SetHistogramMode(int mode) {
    if ((mode != 0 && mode != 1) || mode == mode_)
        return;
    mode_ = mode;
    recompute();
    update();
}

int CHistogramCtrl::GraphHeight(int mode, int clientHeight) {
    return mode == 1 ? (clientHeight - 20) / 3 : clientHeight - 20;
}

int CHistogramCtrl::BarHeight(std::uint32_t count, int graphHeight, bool* overflow) {
    const float scaled = static_cast<float>(count) * kBarScale;
    const int limit = std::max(graphHeight - 15, 0);
    // Compared before truncating, so a huge count never overflows the int.
    if (scaled >= static_cast<float>(limit) + 1.0f) {
        if (overflow)
            *overflow = true;
        return limit;
    }
    return static_cast<int>(scaled);
}

QImage CHistogramCtrl::Render(QSize size) const {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    RenderInto(image);
    return image;
}

void CHistogramCtrl::RenderInto(QImage& image) const {
    image.fill(Qt::black);
    QPainter p(&image);
    const int cw = image.width();
    const int ch = image.height();
    const int H = GraphHeight(mode_, ch);
    const int right = cw;
    p.setFont(font_);
    const int textHeight = textHeight_;

    const int first = mode_ == 1 ? 1 : 0;
    const int graphs = mode_ == 1 ? 3 : 1;
    for (int g = 0; g < graphs; ++g) {
        const Graph& graph = kGraphs[first + g];
        const int T = g * H;
        // grid
        p.setPen(QPen(kGridColour, 1));
        const int gridStep = (H - 15) / 4;
        for (int k = 1; k <= 3; ++k)
            HLine(p, 10, right - 10, T + H - k * gridStep);
        for (int k = 1; k <= 3; ++k)
            VLine(p, 10 + k * ((cw - 20) / 4), T + 15, T + H);
        // bars
        bool overflow = false;
        p.setPen(QPen(graph.colour, 1));
        const Table& table = bins_[std::size_t(graph.table)];
        for (int v = 0; v < 256; ++v) {
            const int bar = BarHeight(table[std::size_t(v)], H, &overflow);
            VLine(p, BarX(v, cw), T + H, T + H - bar);
        }
        // frame: left, bottom, right, then the top edge, yellow on overflow
        p.setPen(QPen(kFrameColour, 1));
        VLine(p, 10, T + 15, T + H);
        HLine(p, 10, right - 10, T + H);
        VLine(p, right - 10, T + H, T + 15);
        p.setPen(QPen(overflow ? kOverflowColour : kFrameColour, 1));
        HLine(p, right - 10, 10, T + 15);
        // label, its bottom at T + 14
        p.setPen(Qt::white);
        p.drawText(QRect(0, T + 14 - textHeight, cw, textHeight),
                   Qt::AlignHCenter | Qt::AlignBottom | Qt::TextDontClip,
                   QString::fromLatin1(graph.label));
    }
    // scale under the last graph, text bottoms at its top + H + 16
    const int bottom = (graphs - 1) * H + H + 16;
    const QRect cell(0, bottom - textHeight, 60, textHeight);
    p.setPen(Qt::white);
    const int flags = Qt::AlignHCenter | Qt::AlignBottom | Qt::TextDontClip;
    p.drawText(cell.translated(10 - 30, 0), flags, QStringLiteral("0"));
    p.drawText(cell.translated(cw / 2 - 30, 0), flags, QStringLiteral("128"));
    p.drawText(cell.translated(right - 10 - 30, 0), flags, QStringLiteral("255"));
}

void CHistogramCtrl::paintEvent(QPaintEvent*) {
    ++paintCount_;
    // Drawn off screen in one piece, then copied: no flicker.
    const QSize client = size().expandedTo(QSize(1, 1));
    if (buffer_.size() != client)
        buffer_ = QImage(client, QImage::Format_RGB32);
    RenderInto(buffer_);
    QPainter p(this);
    p.drawImage(0, 0, buffer_);
}

} // namespace lumora
