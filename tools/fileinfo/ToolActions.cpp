#include "ToolActions.h"

#include <cstdio>
#include <fstream>
#include <vector>

namespace lumora::inspect {

std::vector<FileAction>& FileActions() {
    static std::vector<FileAction> actions;
    return actions;
}

std::filesystem::path OutputPathFor(const InspectedFile& file, const std::string& argument,
                                    const std::string& suffix) {
    std::error_code ec;
    if (std::filesystem::is_directory(argument, ec)) {
        return std::filesystem::path(argument) / (file.path.filename().string() + suffix);
    }
    return argument;
}

bool CopyFileRange(const std::filesystem::path& source, std::uint64_t pos, std::uint64_t length,
                   const std::filesystem::path& out, std::string& error) {
    std::error_code ec;
    const std::uint64_t size = std::filesystem::file_size(source, ec);
    if (ec) {
        error = "cannot read " + source.string();
        return false;
    }
    if (length == 0 || pos > size || length > size - pos) {
        error = "the located range " + std::to_string(pos) + "+" + std::to_string(length) +
                " lies outside the file (" + std::to_string(size) + " bytes)";
        return false;
    }
    std::ifstream in(source, std::ios::binary);
    std::ofstream o(out, std::ios::binary | std::ios::trunc);
    if (!in || !o) {
        error = "cannot write " + out.string();
        return false;
    }
    in.seekg(static_cast<std::streamoff>(pos));
    std::vector<char> buffer(64 * 1024);
    std::uint64_t left = length;
    while (left > 0 && in) {
        const auto n = static_cast<std::streamsize>(std::min<std::uint64_t>(left, buffer.size()));
        in.read(buffer.data(), n);
        o.write(buffer.data(), in.gcount());
        left -= static_cast<std::uint64_t>(in.gcount());
    }
    if (left != 0 || !o) {
        error = "short copy to " + out.string();
        return false;
    }
    return true;
}

namespace {

const ActionRegistrar kThumbnail{
    FileAction{"--extract-thumbnail", "OUT",
               "write the embedded thumbnail JPEG (or a .crw's sidecar file) to OUT",
               [](const InspectedFile& f, const std::string& arg, std::string& error) {
                   const auto out = OutputPathFor(f, arg, ".thumb.jpg");
                   if (f.parser.GetThumbnailLength() == 0 && f.parser.HasSidecarThumbnail()) {
                       const auto sidecar = f.path.parent_path() / f.parser.GetSidecarName();
                       std::error_code ec;
                       const auto size = std::filesystem::file_size(sidecar, ec);
                       if (ec) {
                           error = "sidecar " + sidecar.string() + " not found";
                           return false;
                       }
                       return CopyFileRange(sidecar, 0, size, out, error);
                   }
                   if (f.parser.GetThumbnailLength() == 0) {
                       error = "no embedded thumbnail";
                       return false;
                   }
                   return CopyFileRange(f.path, f.parser.GetThumbnailPosition(),
                                        f.parser.GetThumbnailLength(), out, error);
               }}};

const ActionRegistrar kPreview{FileAction{
    "--extract-preview", "OUT", "write the embedded preview JPEG to OUT",
    [](const InspectedFile& f, const std::string& arg, std::string& error) {
        if (f.parser.GetPreviewLength() == 0) {
            error = "no embedded preview";
            return false;
        }
        return CopyFileRange(f.path, f.parser.GetPreviewPosition(), f.parser.GetPreviewLength(),
                             OutputPathFor(f, arg, ".preview.jpg"), error);
    }}};

} // namespace

} // namespace lumora::inspect
