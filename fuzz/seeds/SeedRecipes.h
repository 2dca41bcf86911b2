// Seeds made by fuzz-seeds itself: small files of every variant a reader
// knows (depths, compressions, byte orders, layouts), a few hundred bytes
// each, so that a run starts from every kind its target stands for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

struct Seed {
    std::string name;
    Bytes bytes;
};

// The seeds of one target (none for a target without a recipe).
std::vector<Seed> SeedsFor(const std::string& target);

// PictureSeeds.cpp
// BMP, GIF, ICO and CUR, each behind the byte that picks its kind in
// fuzz-picture (0 to 3).
std::vector<Seed> PictureSeeds();
// Baseline, progressive and grey JPEGs, without a kind byte.
std::vector<Seed> JpegSeeds();
// A small JPEG of width x height (Qt's writer).
Bytes SmallJpeg(int width, int height, bool progressive = false, bool grey = false);

// DocumentSeeds.cpp
std::vector<Seed> TiffSeeds(); // strips, tiles, planes, depths, compressions
std::vector<Seed> PsdSeeds();  // raw and PackBits, thumbnail resources

// RawSeeds.cpp
// The current RAW kinds as the sample generator writes them, pictures
// shrunk. withKind: behind the byte of their extension group in
// fuzz-rawparser and fuzz-thumbnail; else the CR3 alone, as it is.
std::vector<Seed> ModernRawSeeds(bool withKind);

// TextSeeds.cpp
std::vector<Seed> SettingsSeeds();
std::vector<Seed> HandOverSeeds();
std::vector<Seed> FileListSeeds();
std::vector<Seed> MountInfoSeeds();
std::vector<Seed> WorkSheetListSeeds();
std::vector<Seed> ThumbCacheSeeds();

// Little helpers shared by the recipes.
void Put16le(Bytes& b, std::uint32_t v);
void Put32le(Bytes& b, std::uint32_t v);
void Put16be(Bytes& b, std::uint32_t v);
void Put32be(Bytes& b, std::uint32_t v);
Bytes BytesOf(const std::string& text);
Seed WithKind(std::uint8_t kind, std::string name, const Bytes& bytes);
