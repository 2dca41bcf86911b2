// Helpers of the marks tests: reading files, every property of a packet as
// exiv2 sees it, and exiftool's reading of a file where it is installed.
#pragma once

#include "marks/XmpMarks.h"

#include <exiv2/exiv2.hpp>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

namespace lumora::testing {

inline std::string sampleDir() {
    return std::string(LUMORA_SHARED_SAMPLES);
}

inline std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool putFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return bool(out);
}

// key -> "type: value" for every datum exiv2 reads from the packet.
inline std::map<std::string, std::string> properties(const std::string& packet) {
    InitXmpToolkit();
    std::lock_guard lock(XmpToolkitLock());
    std::map<std::string, std::string> out;
    Exiv2::XmpData data;
    if (Exiv2::XmpParser::decode(data, packet) != 0)
        return {{"<error>", "does not parse"}};
    for (const auto& d : data)
        out[d.key()] = std::string(d.typeName() ? d.typeName() : "?") + ": " + d.toString();
    return out;
}

inline bool haveExiftool() {
    return std::system("exiftool -ver >/dev/null 2>&1") == 0;
}

// "Group:Tag=value" lines of exiftool's reading of the XMP of a file.
inline std::map<std::string, std::string> exiftoolXmp(const std::string& path) {
    std::map<std::string, std::string> out;
    const std::string command = "exiftool -m -q -G1 -s -a -XMP:all '" + path + "' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        const std::size_t colon = text.find(" : ");
        if (colon == std::string::npos)
            continue;
        // "[XMP-xmp]       Rating      " -> "[XMP-xmp] Rating"
        std::string key;
        for (char c : text.substr(0, colon))
            if (c != ' ' || (!key.empty() && key.back() != ' '))
                key.push_back(c);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        out[key] = text.substr(colon + 3);
    }
    ::pclose(pipe);
    return out;
}

} // namespace lumora::testing
