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
}

CQuarterFollower::~CQuarterFollower() {
    stop();
}

void CQuarterFollower::start(const DibImage& image) {
    if (thread_.joinable() || image.isNull())
        return;
    pixels_ = DibPixels::Of(image);
    if (pixels_.width < 4 || pixels_.height < 4)
        return;
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
    QImage quarter = NewPixelImage(pixels_.width / 4, pixels_.height / 4);
    if (quarter.isNull())
        return;
    const int total = quarter.height();
    int done = 0;
    while (done < total) {
        const int rows = rows_.load(std::memory_order_acquire);
        if (rows == kStopped)
            return;
        const int ready = std::min(total, rows / 4);
        if (ready > done) {
            QuarterDibRows(pixels_, quarter, done, ready);
            done = ready;
            continue;
        }
        rows_.wait(rows, std::memory_order_acquire);
    }
    quarter_ = std::move(quarter);
    complete_.store(true, std::memory_order_release);
}

void CQuarterFollower::stop() {
    rows_.store(kStopped, std::memory_order_release);
    rows_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

QImage CQuarterFollower::Finish(const DecodeOutput& out) {
    const bool whole = out.status == DecodeStatus::Decoded && out.image.bits() == pixels_.bits &&
                       out.rowsDone >= pixels_.height;
    if (!whole || !thread_.joinable()) {
        stop();
        return {};
    }
    // A complete decode reported its last row, so the follower ends by itself.
    thread_.join();
    return complete_.load(std::memory_order_acquire) ? std::move(quarter_) : QImage();
}

} // namespace lumora
