#include "viewer/QuarterFollower.h"

#include "imaging/PixelMemory.h"
#include "viewer/PixelPool.h"

#include <algorithm>
#include <cstdint>

namespace lumora {

namespace {

constexpr int kStopped = -1;
// Pages are populated in steps of this many bytes, so that a stop is seen
// soon and the decoder's next rows are in memory first.
constexpr std::size_t kPopulateStep = std::size_t(2) << 20;

} // namespace

CQuarterFollower::CQuarterFollower() {
    watch_.allocate = &CPixelPool::TakeOrAllocate;
    watch_.onAllocated = [this](const DibImage& image) { start(image); };
    watch_.onRows = [this](int rows) {
        rows_.store(rows, std::memory_order_release);
        rows_.notify_one();
    };
    watch_.adoptConversion = [this](const TransformPtr& conversion) {
        conversion_ = conversion;
        return true;
    };
}

void CQuarterFollower::convertUpTo(int rows) {
    rows = std::min(rows, pixels_.height);
    if (!conversion_ || !pixels_.bits || rows <= converted_)
        return;
    // Picture rows [a, b) are memory rows [height - b, height - a).
    auto* first = const_cast<uint8_t*>(pixels_.bits) +
                  static_cast<std::ptrdiff_t>(pixels_.height - rows) * pixels_.stride;
    conversion_->Apply(first, pixels_.stride, pixels_.width, rows - converted_, PixelLayout::Bgr8);
    converted_ = rows;
}

CQuarterFollower::~CQuarterFollower() {
    stop();
}

void CQuarterFollower::start(const DibImage& image) {
    if (thread_.joinable() || image.isNull())
        return;
    pixels_ = DibPixels::Of(image);
    if (pixels_.width < 4 || pixels_.height < 4)
        return; // too small for a quarter: Finish converts it
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        // No thread: the loader makes the copy after the decode.
    }
}

void CQuarterFollower::run() {
    // The decoder fills the block from its end (bottom-up rows): the pages
    // go in from the end too, a step ahead of it.
    auto* block = const_cast<uint8_t*>(pixels_.bits);
    std::size_t left = static_cast<std::size_t>(pixels_.stride) * pixels_.height;
    while (left > 0 && rows_.load(std::memory_order_relaxed) != kStopped) {
        const std::size_t step = std::min(left, kPopulateStep);
        left -= step;
        PopulatePixelPages(block + left, step);
    }
    // Without memory for the copy the rows are still converted.
    QImage quarter = NewPixelImage(pixels_.width / 4, pixels_.height / 4);
    const int total = quarter.isNull() ? 0 : quarter.height();
    const int convertTotal = conversion_ ? pixels_.height : 0;
    int done = 0;
    while (done < total || converted_ < convertTotal) {
        const int rows = rows_.load(std::memory_order_acquire);
        if (rows == kStopped)
            return;
        bool progressed = false;
        if (conversion_ && rows > converted_) {
            convertUpTo(rows);
            progressed = true;
        }
        const int ready = std::min(total, rows / 4);
        if (ready > done) {
            QuarterDibRows(pixels_, quarter, done, ready);
            done = ready;
            progressed = true;
        }
        if (!progressed)
            rows_.wait(rows, std::memory_order_acquire);
    }
    if (quarter.isNull())
        return;
    quarter_ = std::move(quarter);
    complete_.store(true, std::memory_order_release);
}

void CQuarterFollower::stop() {
    rows_.store(kStopped, std::memory_order_release);
    rows_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

QImage CQuarterFollower::Finish(DecodeOutput& out) {
    const bool whole = out.status == DecodeStatus::Decoded && out.image.bits() == pixels_.bits &&
                       out.rowsDone >= pixels_.height;
    if (!whole || !thread_.joinable()) {
        stop();
        // The rows the follower did not reach are converted here.
        if (conversion_ && !out.image.isNull()) {
            if (pixels_.bits != out.image.bits())
                pixels_ = DibPixels::Of(out.image);
            convertUpTo(out.rowsDone);
        }
        return {};
    }
    // A complete decode reported its last row, so the follower ends by itself
    // (with every row converted).
    thread_.join();
    return complete_.load(std::memory_order_acquire) ? std::move(quarter_) : QImage();
}

} // namespace lumora
