#pragma once

#include "imaging/RawParser.h"

#include <filesystem>
#include <string>

namespace lumora::inspect {

// Kind code for a file name's extension, or -1 when the parser has no use for it.
int KindForPath(const std::filesystem::path& path);

// One JSON object describing what the parser found (stable keys; null for
// absent fields). indent is the indentation of the object's own braces.
std::string DescribeJson(const std::filesystem::path& path, int kind, const CRawParser& parser,
                         int indent);

// The same as "key: value" lines for people.
std::string DescribeText(const std::filesystem::path& path, int kind, const CRawParser& parser);

} // namespace lumora::inspect
