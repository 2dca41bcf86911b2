// libFuzzer entry: the mount table as the kernel lists it. Mount points
// carry names chosen by whoever mounted them (a stick's label, a network
// share), escaped by the kernel.
#include "FuzzInput.h"

#include "platform/MountTable.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    if (fuzz::TooLong(size))
        return 0;
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::vector<MountEntry> entries = parseMountInfo(text);
    for (const MountEntry& entry : entries) {
        if (!entry.mountPoint.startsWith(QLatin1Char('/')))
            std::abort();
    }
    (void)browsableVolumes(entries);
    return 0;
}
