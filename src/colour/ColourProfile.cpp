#include "colour/ColourProfile.h"

#include <lcms2.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>

namespace lumora {

namespace {

// Largest profile file read from disk; embedded profiles are bounded by
// their containers.
constexpr long kMaxProfileFile = 8L << 20;
// Profiles remembered by FromBytes.
constexpr std::size_t kRecentProfiles = 64;

std::string readDescription(cmsHPROFILE handle) {
    char text[256] = {};
    const cmsUInt32Number n =
        cmsGetProfileInfoASCII(handle, cmsInfoDescription, "en", "US", text, sizeof text);
    return n > 0 ? std::string(text) : std::string();
}

// A profile is usable as a source or a display when a transform with sRGB
// can be built in both directions (this reads every tag the transform
// needs, so a damaged tag shows here, not while pixels are converted).
bool usable(cmsHPROFILE handle) {
    if (cmsGetColorSpace(handle) != cmsSigRgbData)
        return false;
    const cmsProfileClassSignature cls = cmsGetDeviceClass(handle);
    if (cls != cmsSigInputClass && cls != cmsSigDisplayClass && cls != cmsSigColorSpaceClass)
        return false;
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    if (!srgb)
        return false;
    bool ok = true;
    for (int direction = 0; direction < 2 && ok; ++direction) {
        cmsHTRANSFORM t = direction == 0
                              ? cmsCreateTransform(handle, TYPE_RGB_8, srgb, TYPE_RGB_8,
                                                   INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE)
                              : cmsCreateTransform(srgb, TYPE_RGB_8, handle, TYPE_RGB_8,
                                                   INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE);
        ok = t != nullptr;
        if (t)
            cmsDeleteTransform(t);
    }
    cmsCloseProfile(srgb);
    return ok;
}

// LittleCMS reports problems through a process-wide handler; the readers
// here treat every failure through return values, so it stays silent.
void silenceLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { cmsSetLogErrorHandler(nullptr); });
}

} // namespace

ColourProfile::ColourProfile(void* handle, uint64_t hash) : handle_(handle), hash_(hash) {
    description_ = readDescription(static_cast<cmsHPROFILE>(handle));
}

ColourProfile::~ColourProfile() {
    if (handle_)
        cmsCloseProfile(static_cast<cmsHPROFILE>(handle_));
}

std::vector<uint8_t> ColourProfile::Bytes() const {
    cmsUInt32Number size = 0;
    auto* h = static_cast<cmsHPROFILE>(handle_);
    if (!cmsSaveProfileToMem(h, nullptr, &size) || size == 0)
        return {};
    std::vector<uint8_t> bytes(size);
    if (!cmsSaveProfileToMem(h, bytes.data(), &size))
        return {};
    return bytes;
}

uint64_t HashBytes(std::span<const uint8_t> bytes) {
    uint64_t h = 14695981039346656037ull;
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return h;
}

ProfilePtr ColourProfile::FromBytes(std::span<const uint8_t> bytes) {
    silenceLibrary();
    // An ICC header alone is 128 bytes, and its declared size must match.
    if (bytes.size() < 132 || bytes.size() > (64u << 20))
        return nullptr;
    const uint32_t declared =
        uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    if (declared > bytes.size() || declared < 132)
        return nullptr;
    const uint64_t hash = HashBytes(bytes.first(declared));
    // Pictures of one camera or editor carry the same few profiles: each
    // is read and checked once (a rejected one is remembered as null).
    static std::mutex recentMutex; // leaf lock: guards recent only
    static std::map<uint64_t, ProfilePtr> recent;
    {
        std::lock_guard lock(recentMutex);
        const auto it = recent.find(hash);
        if (it != recent.end())
            return it->second;
    }
    ProfilePtr profile;
    if (cmsHPROFILE handle =
            cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(declared))) {
        if (usable(handle))
            profile = ProfilePtr(new ColourProfile(handle, hash));
        else
            cmsCloseProfile(handle);
    }
    std::lock_guard lock(recentMutex);
    if (recent.size() >= kRecentProfiles)
        recent.clear();
    recent.emplace(hash, profile);
    return profile;
}

ProfilePtr ColourProfile::FromFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return nullptr;
    std::vector<uint8_t> bytes;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size > 0 && size <= kMaxProfileFile && std::fseek(f, 0, SEEK_SET) == 0) {
            bytes.resize(static_cast<std::size_t>(size));
            if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
                bytes.clear();
        }
    }
    std::fclose(f);
    return FromBytes(bytes);
}

// 0: sRGB, 1: Adobe RGB (1998).
ProfilePtr MakeBuiltinProfile(int which) {
    silenceLibrary();
    cmsHPROFILE handle = nullptr;
    if (which == 0) {
        handle = cmsCreate_sRGBProfile();
    } else {
        // Adobe RGB (1998): D65 white, its primaries, a pure power curve of
        // 563/256.
        const cmsCIExyY white{0.3127, 0.3290, 1.0};
        const cmsCIExyYTRIPLE primaries{
            {0.6400, 0.3300, 1.0}, {0.2100, 0.7100, 1.0}, {0.1500, 0.0600, 1.0}};
        cmsToneCurve* gamma = cmsBuildGamma(nullptr, 563.0 / 256.0);
        cmsToneCurve* curves[3] = {gamma, gamma, gamma};
        handle = gamma ? cmsCreateRGBProfile(&white, &primaries, curves) : nullptr;
        if (gamma)
            cmsFreeToneCurve(gamma);
        if (handle) {
            cmsMLU* text = cmsMLUalloc(nullptr, 1);
            if (text) {
                cmsMLUsetASCII(text, "en", "US", "Adobe RGB (1998) (built in)");
                cmsWriteTag(handle, cmsSigProfileDescriptionTag, text);
                cmsMLUfree(text);
            }
        }
    }
    if (!handle)
        return nullptr;
    // The hash of the built profile is that of its bytes, as for a read one,
    // so the same profile embedded in a file is recognised as this one.
    auto profile = std::shared_ptr<ColourProfile>(new ColourProfile(handle, 0));
    profile->hash_ = HashBytes(profile->Bytes());
    return profile;
}

ProfilePtr SrgbProfile() {
    static const ProfilePtr profile = MakeBuiltinProfile(0);
    return profile;
}

ProfilePtr AdobeRgbProfile() {
    static const ProfilePtr profile = MakeBuiltinProfile(1);
    return profile;
}

ProfilePtr ChooseSourceProfile(std::span<const uint8_t> iccProfile, bool exifAdobeRgb) {
    if (!iccProfile.empty())
        if (ProfilePtr embedded = ColourProfile::FromBytes(iccProfile))
            return embedded;
    return exifAdobeRgb ? AdobeRgbProfile() : SrgbProfile();
}

namespace {
std::mutex displayMutex; // leaf lock: guards displayProfile only
ProfilePtr displayProfile;
std::atomic<uint64_t> displayGeneration{0};
} // namespace

ProfilePtr DisplayProfile() {
    {
        std::lock_guard lock(displayMutex);
        if (displayProfile)
            return displayProfile;
    }
    return SrgbProfile();
}

void SetDisplayProfile(ProfilePtr profile) {
    ProfilePtr old;
    {
        std::lock_guard lock(displayMutex);
        const uint64_t before = displayProfile ? displayProfile->hash() : SrgbProfile()->hash();
        const uint64_t after = profile ? profile->hash() : SrgbProfile()->hash();
        old = std::move(displayProfile);
        displayProfile = std::move(profile);
        if (before != after)
            displayGeneration.fetch_add(1, std::memory_order_relaxed);
    }
    // The previous profile is released outside the lock.
}

uint64_t DisplayProfileGeneration() {
    return displayGeneration.load(std::memory_order_relaxed);
}

} // namespace lumora
