// ICC colour profiles: a profile read from a file's embedded bytes (checked
// by LittleCMS), the two built-in RGB spaces (sRGB and Adobe RGB (1998),
// made from their published primaries and tone curves), the choice of a
// picture's source profile, and the display profile the pictures are shown
// in.
//
// Ownership: a ColourProfile is immutable once made and shared
// (ProfilePtr); whoever holds the pointer keeps it alive. The LittleCMS
// handle inside is used only for reading tags and building transforms,
// which LittleCMS allows from any thread on a profile nobody changes.
//
// Threads: every function is thread-safe. The display profile is one
// process-wide value behind a leaf lock of its own (no other lock is taken
// while it is held): the GUI thread sets it, loader threads read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace lumora {

class ColourProfile {
public:
    ~ColourProfile();
    ColourProfile(const ColourProfile&) = delete;
    ColourProfile& operator=(const ColourProfile&) = delete;

    // 64-bit hash of the profile's bytes: the key of the transform cache.
    // Two profiles with the same bytes are the same profile.
    uint64_t hash() const { return hash_; }
    // The profile's description (may be empty).
    const std::string& description() const { return description_; }
    // The LittleCMS handle (cmsHPROFILE), for the transform code.
    void* handle() const { return handle_; }
    // The profile as ICC bytes (to embed it in a file).
    std::vector<uint8_t> Bytes() const;

    // Reads a profile from untrusted bytes. Null when LittleCMS rejects them,
    // when the profile is not an RGB profile of an input, display or colour
    // space device, or when no transform to sRGB can be built from it: a
    // damaged profile counts as none.
    static std::shared_ptr<const ColourProfile> FromBytes(std::span<const uint8_t> bytes);
    // Reads a profile file (at most 8 MiB); null as for FromBytes, or when
    // the file cannot be read.
    static std::shared_ptr<const ColourProfile> FromFile(const std::string& path);

private:
    ColourProfile(void* handle, uint64_t hash);
    friend std::shared_ptr<const ColourProfile> MakeBuiltinProfile(int which);

    void* handle_ = nullptr;
    uint64_t hash_ = 0;
    std::string description_;
};

using ProfilePtr = std::shared_ptr<const ColourProfile>;

// The built-in profiles, made once per process.
ProfilePtr SrgbProfile();
ProfilePtr AdobeRgbProfile();

// FNV-1a over bytes (the profile hash).
uint64_t HashBytes(std::span<const uint8_t> bytes);

// Where a picture's colours are described: its embedded profile bytes
// (empty when none) and whether its EXIF marks it as Adobe RGB.
struct SourceColour {
    std::vector<uint8_t> iccProfile;
    bool exifAdobeRgb = false;
};

// The source profile of a picture: the embedded profile when it reads,
// else Adobe RGB when the EXIF says so, else sRGB. Never null.
ProfilePtr ChooseSourceProfile(std::span<const uint8_t> iccProfile, bool exifAdobeRgb);

// The profile pictures are shown in (sRGB until set). Setting null goes
// back to sRGB. DisplayProfileGeneration() counts the changes, so that a
// viewer can tell whether what it shows was made for the current one.
ProfilePtr DisplayProfile();
void SetDisplayProfile(ProfilePtr profile);
uint64_t DisplayProfileGeneration();

} // namespace lumora
