// libFuzzer entry: the bytes a second instance sent over the hand-over
// socket. The request is read as it arrives, so every prefix of the bytes
// must read as incomplete or as the same request as the whole.
#include "FuzzInput.h"

#include "platform/SingleInstance.h"

#include <QDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    if (fuzz::TooLong(size))
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const HandOverRequest whole = parseHandOverRequest(bytes);
    if (whole.state == HandOverRequest::State::Complete) {
        if (whole.length <= 0 || whole.length > bytes.size())
            std::abort();
        if (whole.file && (!QDir::isAbsolutePath(*whole.file) || whole.file->contains(QChar(0))))
            std::abort();
    }
    // Arrival in pieces: a few prefix lengths, every one for short inputs.
    const qsizetype step = size < 64 ? 1 : static_cast<qsizetype>(size / 16);
    for (qsizetype n = 0; n < bytes.size(); n += step) {
        const HandOverRequest part = parseHandOverRequest(bytes.first(n));
        if (part.state == HandOverRequest::State::Incomplete)
            continue;
        if (part.state != whole.state || part.file != whole.file || part.length != whole.length)
            std::abort();
    }
    return 0;
}
