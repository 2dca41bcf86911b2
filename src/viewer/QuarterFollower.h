// The quarter-size copy of a JPEG picture, made while the picture is being
// decoded: a second thread first populates the pages of the decoder's
// output block ahead of the decoder, then follows it four rows at a time.
// At fit a camera picture needs no more than the quarter size, so the first
// paint waits for the decode and a few rows, not for a pass over the whole
// picture after it.
//
// When the picture's colours need converting, the follower takes the
// conversion over from the decoder: it converts each row it is told of
// before its quarter copy reads it, on its own core beside the decode, and
// Finish() converts whatever rows it had not reached.
//
// Owner: one loader thread (the one that decodes). Watch() hands the decoder
// its hooks; they run on the decoding thread. The follower thread reads and
// converts only rows the decoder reported done (release/acquire on the row
// count) and is joined by Finish() or the destructor, both before the
// decoded block may be freed: destroy the follower before the decode's
// output.
#pragma once

#include "imaging/DecodeResult.h"
#include "viewer/ViewerPicture.h"

#include <QImage>

#include <atomic>
#include <thread>

namespace lumora {

class CQuarterFollower {
public:
    CQuarterFollower();
    ~CQuarterFollower();
    CQuarterFollower(const CQuarterFollower&) = delete;
    CQuarterFollower& operator=(const CQuarterFollower&) = delete;

    // The hooks for one decode; this object must outlive it.
    const RowWatch& Watch() const { return watch_; }

    // After the decode: waits for the follower and returns the quarter-size
    // copy (width / 4 x height / 4, RGB32, not turned) when the decode
    // finished every row; otherwise stops the follower and returns a null
    // image. Either way every row the decode produced is in its converted
    // colours afterwards.
    QImage Finish(DecodeOutput& out);

private:
    void start(const DibImage& image);
    void run();
    void stop();
    // Converts picture rows [converted_, rows) of the block.
    void convertUpTo(int rows);

    RowWatch watch_;
    DibPixels pixels_;
    QImage quarter_;
    std::atomic<int> rows_{0}; // picture rows done; kStopped ends the follower
    std::atomic<bool> complete_{false};
    TransformPtr conversion_; // set on the decoding thread before the follower starts
    int converted_ = 0;       // picture rows converted (the follower's, then Finish's)
    std::thread thread_;
};

} // namespace lumora
