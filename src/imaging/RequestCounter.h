// The request number a control shares with its loader threads. A loader whose
// own number no longer matches the counter's is stale and stops at its next
// cancellation test. The control sets it on the GUI thread; loaders read it.
#pragma once

#include "platform/LockedInt.h"

#include <cstdint>

namespace lumora {

using RequestCounter = LockedInt;

// What a decoder consults at its cancellation points. A default-made test
// never cancels (the thumbnail engine checks between items instead).
struct CancelTest {
    const RequestCounter* counter = nullptr;
    int32_t requestNumber = 0;

    bool IsStale() const { return counter && counter->Get() != requestNumber; }
};

} // namespace lumora
