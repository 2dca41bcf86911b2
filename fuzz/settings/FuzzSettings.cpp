// libFuzzer entry: the bytes are the settings file (a damaged or hand-edited
// one). Everything the program reads from it is read. What it then saves
// reads back as what it saved: saving may normalise a value once (a line
// break written as a space, a value out of range clamped), never again.
#include "FuzzInput.h"

#include "settings/SettingsStore.h"

#include <cstdlib>
#include <optional>

namespace {

struct Read {
    lumora::AppSettings settings;
    lumora::FrameSettings frame;
    std::optional<QString> folder;
};

Read readAll(const lumora::CIniFile& ini) {
    Read r;
    lumora::LoadSettings(ini, r.settings, lumora::kDefaultScreenDpiY);
    r.frame = lumora::readFrameSettings(ini, lumora::FrameSettings{0, 0, 640, 480, 1});
    r.folder = lumora::readBinPath(ini);
    return r;
}

// The exit's read-modify-write of the file.
lumora::CIniFile saved(const lumora::CIniFile& ini, const Read& r) {
    lumora::CIniFile out = lumora::CIniFile::fromText(ini.toText());
    lumora::SaveSettings(out, r.settings);
    lumora::writeFrameSettings(out, r.frame);
    if (r.folder)
        lumora::writeBinPath(out, *r.folder);
    return lumora::CIniFile::fromText(out.toText());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    if (fuzz::TooLong(size))
        return 0;
    const CIniFile ini = CIniFile::fromText(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const Read first = readAll(ini);
    const CIniFile once = saved(ini, first);
    const Read second = readAll(once);
    const Read third = readAll(saved(once, second));
    if (!(third.settings == second.settings) || !(third.frame == second.frame) ||
        third.folder != second.folder)
        std::abort();
    return 0;
}
