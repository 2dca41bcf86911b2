// libFuzzer entry: the bytes are a worksheet-list file.
#include "FuzzInput.h"

#include "thumbnails/WorkSheetFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (lumora::fuzz::TooLong(size))
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    lumora::WorkSheetList list;
    if (lumora::ParseWorkSheetList(bytes, list) != lumora::WorkSheetReadStatus::Ok)
        return 0;
    if (list.entries.size() != list.rawEntries.size())
        std::abort();
    // Every decoded line is valid UTF-8.
    if (!lumora::IsValidUtf8(list.name))
        std::abort();
    for (const std::string& e : list.entries)
        if (!lumora::IsValidUtf8(e))
            std::abort();
    // Formatting what was read and reading it again gives the same lines,
    // unless a line held a CR that a CR LF end swallowed.
    const std::string again = lumora::FormatWorkSheetList(list.name, list.entries);
    lumora::WorkSheetList second;
    if (lumora::ParseWorkSheetList(again, second) != lumora::WorkSheetReadStatus::Ok)
        std::abort();
    return 0;
}
