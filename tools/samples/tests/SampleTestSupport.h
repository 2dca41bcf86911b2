// Helpers for the sample generator's tests: temporary folders, file bytes,
// independent JPEG and GIF readers, and running a command.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TempDir {
public:
    explicit TempDir(const std::string& stem);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::vector<uint8_t> readFile(const std::string& path);

// Decodes the whole stream with libjpeg; false on any error.
bool decodeJpegSize(const std::vector<uint8_t>& jpeg, int& width, int& height);

// Decodes the first image of a GIF into colour indexes (LZW, any code width).
bool decodeGifIndexes(const std::vector<uint8_t>& gif, int& width, int& height,
                      std::vector<uint8_t>& indexes);

// Runs a shell command and returns its standard output; exitCode receives
// the command's exit status.
std::string runCommand(const std::string& command, int& exitCode);
