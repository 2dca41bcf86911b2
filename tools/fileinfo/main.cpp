// lumora-inspect: prints what the metadata parser finds in camera files.
#include "JsonReport.h"
#include "ToolActions.h"

#include "imaging/ImageKind.h"
#include "imaging/ModernPicture.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

using namespace lumora;
using namespace lumora::inspect;

namespace {

void Usage(std::FILE* to) {
    std::fprintf(to, "usage: lumora-inspect [--json] [--kind N] [ACTION OUT]... FILE...\n"
                     "  --json      print a JSON array, one object per file\n"
                     "  --kind N    parse every file as kind N instead of by extension\n");
    for (const FileAction& a : FileActions()) {
        std::fprintf(to, "  %s %s  %s\n", a.option.c_str(), a.argName.c_str(), a.help.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    bool json = false;
    int forcedKind = -1;
    std::vector<std::pair<const FileAction*, std::string>> actions;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--json") {
            json = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        }
        if (arg == "--kind" && i + 1 < argc) {
            forcedKind = std::atoi(argv[++i]);
            continue;
        }
        if (arg == "--") {
            files.insert(files.end(), argv + i + 1, argv + argc);
            break;
        }
        const FileAction* matched = nullptr;
        for (const FileAction& a : FileActions()) {
            if (arg == a.option) {
                matched = &a;
            }
        }
        if (matched) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "lumora-inspect: %s needs %s\n", arg.c_str(),
                             matched->argName.c_str());
                return 2;
            }
            actions.emplace_back(matched, argv[++i]);
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "lumora-inspect: unknown option %s\n", arg.c_str());
            Usage(stderr);
            return 2;
        }
        files.push_back(arg);
    }
    if (files.empty()) {
        Usage(stderr);
        return 2;
    }

    // With a render among the actions, pictures without metadata are taken too.
    bool renderable = false;
    for (const auto& [action, argument] : actions) {
        renderable = renderable || action->rendersPicture;
    }
    int status = 0;
    bool first = true;
    if (json) {
        std::fputs("[", stdout);
    }
    for (std::size_t index = 0; index < files.size(); ++index) {
        const std::filesystem::path path = files[index];
        // The parser's kinds by name; the picture kinds the program also
        // shows (BMP, GIF, ICO, CUR, PSD) only for the actions that render.
        const int parserKind = forcedKind >= 0 ? forcedKind : KindForPath(path);
        int kind = parserKind;
        if (kind < 0 && renderable) {
            const ImageKind picture = kindFromExtension(path.string());
            if (picture != ImageKind::Unknown) {
                kind = kindCode(picture);
            }
        }
        if (kind < 0) {
            std::fprintf(stderr, "lumora-inspect: %s: unrecognised file kind\n", path.c_str());
            status = 1;
            continue;
        }
        std::error_code ec;
        const bool readable = std::filesystem::is_regular_file(path, ec);
        CRawParser parser;
        // HEIF, AVIF, PNG, WebP, JPEG XL: the EXIF block (when there is one)
        // in the parser, the size from the picture.
        const bool modern = isModernPictureKind(static_cast<ImageKind>(parserKind));
        ModernPictureInfo modernInfo;
        PictureFacts facts;
        const bool parsed = parserKind >= 0 &&
                            (modern ? OpenModernPicture(path.string(), static_cast<ImageKind>(kind),
                                                        parser, modernInfo)
                                    : parser.Open(path, parserKind) != 0);
        if (modern && parsed) {
            facts.width = static_cast<std::uint32_t>(modernInfo.probe.sourceWidth);
            facts.height = static_cast<std::uint32_t>(modernInfo.probe.sourceHeight);
        }
        const PictureFacts* picture = modern ? &facts : nullptr;
        if (!parsed && (!renderable || !readable)) {
            std::fprintf(stderr, "lumora-inspect: %s: %s\n", path.c_str(),
                         readable ? "no metadata structure recognised" : "cannot read file");
            status = 1;
            continue;
        }
        if (parsed && json) {
            std::fputs(first ? "\n  " : ",\n  ", stdout);
            std::fputs(DescribeJson(path, kind, parser, 2, picture).c_str(), stdout);
            first = false;
        } else if (parsed) {
            std::fputs(DescribeText(path, kind, parser, picture).c_str(), stdout);
            std::fputs("\n", stdout);
        }
        const InspectedFile file{path, kind, parser, parsed, index, files.size()};
        for (const auto& [action, argument] : actions) {
            std::string error;
            if (!parsed && action->needsMetadata) {
                error = "no metadata structure recognised";
            }
            if (!error.empty() || !action->run(file, argument, error)) {
                std::fprintf(stderr, "lumora-inspect: %s: %s: %s\n", path.c_str(),
                             action->option.c_str(), error.c_str());
                status = 1;
            }
        }
        parser.Close();
    }
    if (json) {
        std::fputs(first ? "]\n" : "\n]\n", stdout);
    }
    return status;
}
