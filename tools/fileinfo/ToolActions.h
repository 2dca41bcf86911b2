#pragma once

#include "imaging/RawParser.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace lumora::inspect {

// One file as the inspector parsed it.
struct InspectedFile {
    std::filesystem::path path;
    int kind = 0;             // the file's kind (ImageKind code)
    const CRawParser& parser; // not open when the file has no metadata it knows
    bool parsed = true;
    std::size_t index = 0; // position among the files named on the command line
    std::size_t total = 1;
};

// An option that does something with each parsed file, e.g. writes an embedded
// JPEG. Further actions register themselves from their own source files with a
// static ActionRegistrar, so main.cpp need not change.
struct FileAction {
    std::string option;  // "--extract-thumbnail"
    std::string argName; // "OUT"
    std::string help;
    // Returns false with a one-line message in error on failure.
    std::function<bool(const InspectedFile& file, const std::string& argument, std::string& error)>
        run;
    // False for actions that work on any picture the program shows, whether
    // the metadata parser understood the file or not (the renders).
    bool needsMetadata = true;
    // True for the renders: with one of them, any picture kind is taken.
    bool rendersPicture = false;
};

std::vector<FileAction>& FileActions();

struct ActionRegistrar {
    explicit ActionRegistrar(FileAction action) { FileActions().push_back(std::move(action)); }
};

// Where an action writes for this file: argument itself for a single file, or
// a name derived from the file inside argument when it is a folder.
std::filesystem::path OutputPathFor(const InspectedFile& file, const std::string& argument,
                                    const std::string& suffix);

// Copies length bytes at pos of source to out. False with a message on failure.
bool CopyFileRange(const std::filesystem::path& source, std::uint64_t pos, std::uint64_t length,
                   const std::filesystem::path& out, std::string& error);

} // namespace lumora::inspect
