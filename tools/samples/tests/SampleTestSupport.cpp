#include "SampleTestSupport.h"

#include <array>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <jpeglib.h>
#include <random>
#include <sys/wait.h>

TempDir::TempDir(const std::string& stem) {
    std::random_device rd;
    path_ = (std::filesystem::temp_directory_path() /
             (stem + "-" + std::to_string(rd()) + std::to_string(rd())))
                .string();
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {
struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};
void onJpegError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
} // namespace

bool decodeJpegSize(const std::vector<uint8_t>& jpeg, int& width, int& height) {
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = onJpegError;
    err.mgr.emit_message = [](j_common_ptr, int) {};
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    std::vector<uint8_t> row(static_cast<std::size_t>(cinfo.output_width) *
                             static_cast<std::size_t>(cinfo.output_components));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&cinfo, &r, 1);
    }
    width = static_cast<int>(cinfo.output_width);
    height = static_cast<int>(cinfo.output_height);
    const bool clean = err.mgr.num_warnings == 0;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return clean;
}

bool decodeGifIndexes(const std::vector<uint8_t>& g, int& width, int& height,
                      std::vector<uint8_t>& out) {
    auto u16 = [&](std::size_t at) { return int(g[at] | g[at + 1] << 8); };
    if (g.size() < 13 || std::string(g.begin(), g.begin() + 6) != "GIF89a")
        return false;
    std::size_t at = 13;
    if (g[10] & 0x80)
        at += 3u * (2u << (g[10] & 7));
    while (at < g.size() && g[at] == 0x21) { // extensions
        at += 2;
        while (at < g.size() && g[at])
            at += g[at] + 1u;
        ++at;
    }
    if (at + 11 > g.size() || g[at] != 0x2C)
        return false;
    width = u16(at + 5);
    height = u16(at + 7);
    at += 10;
    const int minCode = g[at++];
    std::vector<uint8_t> data;
    while (at < g.size() && g[at]) {
        const std::size_t n = g[at++];
        if (at + n > g.size())
            return false;
        data.insert(data.end(), g.begin() + std::ptrdiff_t(at), g.begin() + std::ptrdiff_t(at + n));
        at += n;
    }
    const int clear = 1 << minCode, eoi = clear + 1;
    std::vector<std::vector<uint8_t>> table;
    auto reset = [&] {
        table.assign(std::size_t(eoi) + 1, {});
        for (int i = 0; i < clear; ++i)
            table[std::size_t(i)] = {uint8_t(i)};
    };
    reset();
    int codeSize = minCode + 1;
    std::size_t bitPos = 0;
    int prev = -1;
    out.clear();
    while (bitPos + std::size_t(codeSize) <= data.size() * 8) {
        int code = 0;
        for (int b = 0; b < codeSize; ++b, ++bitPos)
            code |= ((data[bitPos / 8] >> (bitPos % 8)) & 1) << b;
        if (code == clear) {
            reset();
            codeSize = minCode + 1;
            prev = -1;
            continue;
        }
        if (code == eoi)
            return out.size() == std::size_t(width) * height;
        std::vector<uint8_t> entry;
        if (code < int(table.size()) && (code < clear || !table[std::size_t(code)].empty()))
            entry = table[std::size_t(code)];
        else if (code == int(table.size()) && prev >= 0) {
            entry = table[std::size_t(prev)];
            entry.push_back(entry[0]);
        } else
            return false;
        out.insert(out.end(), entry.begin(), entry.end());
        if (prev >= 0 && table.size() < 4096) {
            auto grown = table[std::size_t(prev)];
            grown.push_back(entry[0]);
            table.push_back(grown);
            if (int(table.size()) == (1 << codeSize) && codeSize < 12)
                ++codeSize;
        }
        prev = code;
    }
    return false;
}

std::string runCommand(const std::string& command, int& exitCode) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        exitCode = -1;
        return out;
    }
    std::array<char, 65536> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    const int status = pclose(p);
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}
