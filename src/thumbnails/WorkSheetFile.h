// The worksheet-list file (.lsl): a text file of lines, each ended by CR LF
// when written:
//
//   Lumora WorkSheetFile        (the magic line, compared exactly)
//   <worksheet name>            (may be empty)
//   <absolute path>             (one per line, in the worksheet's order)
//
// Written in UTF-8 without a byte-order mark. Read with CR LF or LF line
// ends; a line that is not valid UTF-8 is taken as CP932 (Shift-JIS with the
// Windows extensions), the encoding of lists written on Japanese Windows
// systems. A UTF-8 byte-order mark in front of the magic line is skipped.
//
// Everything here is plain functions over values: callable from any thread,
// no shared state. Paths and names are UTF-8 std::strings.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

inline constexpr std::string_view kWorkSheetMagic = "Lumora WorkSheetFile";
// Lists larger than this are not read (a list of 10,000 long paths is ~3 MB).
inline constexpr std::size_t kMaxWorkSheetFileBytes = 64u * 1024 * 1024;

struct WorkSheetList {
    std::string name;
    // Entries in file order, decoded to UTF-8. rawEntries holds the bytes of
    // each line as stored (they differ only for lines that were not UTF-8).
    std::vector<std::string> entries;
    std::vector<std::string> rawEntries;
};

enum class WorkSheetReadStatus {
    Ok,
    CannotOpen,    // missing, unreadable, not a regular file, too large
    NotAWorkSheet, // the first line is not the magic line
};

// Parses the bytes of a list file.
WorkSheetReadStatus ParseWorkSheetList(std::string_view bytes, WorkSheetList& out);
// Reads and parses a list file. Never blocks on a FIFO or device.
WorkSheetReadStatus ReadWorkSheetList(const std::string& path, WorkSheetList& out);

// The entries that name an existing file or folder, in order, and whether
// any entry was missing (an empty line or a line holding a NUL counts as
// missing). For a line that was not UTF-8 the stored bytes are tried when
// the decoded path does not exist.
struct ResolvedEntries {
    std::vector<std::string> existing;
    bool anyMissing = false;
};
ResolvedEntries ResolveWorkSheetEntries(const WorkSheetList& list);

// The bytes of a list file with the given name and paths.
std::string FormatWorkSheetList(std::string_view name, const std::vector<std::string>& paths);
// Writes the list whole or not at all (WriteFileDurably: a temporary file
// beside the target, fsync, rename, folder fsync), so a failed save or a
// crash leaves the old file (or none).
// Returns false and leaves the target untouched on any failure.
bool WriteWorkSheetList(const std::string& path, std::string_view name,
                        const std::vector<std::string>& paths);

// One line's text as UTF-8: itself when valid UTF-8, else decoded as CP932
// (bytes that CP932 cannot decode become U+FFFD).
std::string DecodeWorkSheetLine(std::string_view line);
bool IsValidUtf8(std::string_view text);

} // namespace lumora
