// The numbered versions of a settings file and a worksheet list that the
// crash child writes, and how the test recognises a whole one.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace lumora::crash {

// Sizes swing from a few hundred bytes to ~150 KB, so that a kill in the
// middle of a write would leave a visibly short file.
inline std::string iniVersion(int version) {
    std::string text = "[ControlSettings]\nVersion=" + std::to_string(version) + "\n";
    const int lines = (version * 977) % 3000 + 10;
    for (int i = 0; i < lines; ++i)
        text += "Key" + std::to_string(i) + "=" + std::to_string(version * 31 + i) + "\n";
    text += "End=" + std::to_string(version) + "\n";
    return text;
}

inline std::pair<std::string, std::vector<std::string>> listVersion(int version) {
    std::vector<std::string> paths;
    const int count = (version * 613) % 2000 + 1;
    for (int i = 0; i < count; ++i)
        paths.push_back("/photos/" + std::to_string(version) + "/IMG_" + std::to_string(i) +
                        ".JPG");
    return {"sheet " + std::to_string(version), paths};
}

} // namespace lumora::crash
