#include "BenchSupport.h"

#include <QCoreApplication>

#include <jpeglib.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

extern char** environ;

namespace lumora::bench {

namespace fs = std::filesystem;

double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

double msSince(Clock::time_point start) {
    return msBetween(start, Clock::now());
}

namespace {
double clockMs(clockid_t id) {
    timespec t{};
    clock_gettime(id, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}
} // namespace

double processCpuMs() {
    return clockMs(CLOCK_PROCESS_CPUTIME_ID);
}

double threadCpuMs() {
    return clockMs(CLOCK_THREAD_CPUTIME_ID);
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return NAN;
    std::sort(v.begin(), v.end());
    const double at = p * static_cast<double>(v.size() - 1);
    const std::size_t lo = static_cast<std::size_t>(at);
    const std::size_t hi = std::min(lo + 1, v.size() - 1);
    return v[lo] + (v[hi] - v[lo]) * (at - static_cast<double>(lo));
}

double median(std::vector<double> v) {
    return percentile(std::move(v), 0.5);
}

std::string jsonNumber(double v, const char* format) {
    if (std::isnan(v))
        return "null";
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

double runTimed(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                double* cpuMs) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e)
        envStore.emplace_back(*e);
    for (const auto& e : extraEnv)
        envStore.push_back(e);
    std::vector<char*> env;
    for (auto& e : envStore)
        env.push_back(e.data());
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double ms = msSince(start);
    if (cpuMs)
        *cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    return (WIFEXITED(status) && WEXITSTATUS(status) == 0) ? ms : -1;
}

bool haveProgram(const std::string& name) {
    return runTimed({"sh", "-c", "command -v " + name + " >/dev/null"}) >= 0;
}

std::vector<std::uint8_t> encodeJpeg(int width, int height, const EncodeOptions& options,
                                     const std::function<void(int y, std::uint8_t* row)>& fill) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, options.quality, TRUE);
    c.write_JFIF_header = options.jfifHeader ? TRUE : FALSE;
    jpeg_start_compress(&c, TRUE);
    if (!options.app1.empty())
        jpeg_write_marker(&c, JPEG_APP0 + 1, options.app1.data(),
                          static_cast<unsigned>(options.app1.size()));
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    while (c.next_scanline < c.image_height) {
        fill(static_cast<int>(c.next_scanline), row.data());
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

bool writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string makeRepeatedFolder(const std::string& dir, int count, int distinct,
                               const samples::CameraJpegOptions& options, const char* nameFormat) {
    const std::string marker = dir + "/.complete";
    if (fs::exists(marker))
        return dir;
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string seedDir = dir + "/.seed";
    samples::writeCameraJpegFolder(seedDir, std::min(count, distinct), options);
    std::vector<fs::path> seeds;
    for (const auto& e : fs::directory_iterator(seedDir))
        seeds.push_back(e.path());
    std::sort(seeds.begin(), seeds.end());
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, nameFormat, i + 1);
        fs::copy_file(seeds[std::size_t(i) % seeds.size()], fs::path(dir) / name);
    }
    fs::remove_all(seedDir);
    std::ofstream(marker) << count;
    return dir;
}

QCoreApplication& coreApp() {
    static int argc = 1;
    static char name[] = "lumora-bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance = new QCoreApplication(argc, argv);
    return *instance;
}

} // namespace lumora::bench
