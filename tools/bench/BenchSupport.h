// Helpers shared by the lumora-bench subcommands: clocks, medians and
// percentiles, JSON numbers, timed runs of peer programs, and the camera-like
// JPEG files the benchmarks measure.
//
// Single-threaded use by one subcommand at a time, except the clocks, which
// any thread may read.
#pragma once

#include "samples/SampleGen.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class QCoreApplication;

namespace lumora::bench {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point a, Clock::time_point b);
double msSince(Clock::time_point start);
// CPU time in ms of the whole process (every thread), and of the calling
// thread (unlike wall time, not stretched when the machine is shared).
double processCpuMs();
double threadCpuMs();

// Linear interpolation between the nearest ranks, p in [0, 1]; NaN for no
// values. median() is percentile 0.5 (the mean of the two middle values of
// an even count).
double percentile(std::vector<double> values, double p);
double median(std::vector<double> values);

// A number for JSON output: "null" for NaN, else printf `format`.
std::string jsonNumber(double v, const char* format = "%.4g");

// Runs argv (looked up on PATH) with stdout and stderr on /dev/null and
// extraEnv ("NAME=value") added to this process's environment; the wall
// time in ms, or a negative value when it could not run or failed. cpuMs,
// when given, receives the child's own CPU time (user + system).
double runTimed(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {},
                double* cpuMs = nullptr);
// Whether `name` is a program on PATH.
bool haveProgram(const std::string& name);

// A JPEG encoded in memory: fill(y, row) writes row y as width RGB triples,
// rows in order from the top.
struct EncodeOptions {
    int quality = 92;
    bool jfifHeader = true;
    std::vector<std::uint8_t> app1; // written as an APP1 marker when not empty
};
std::vector<std::uint8_t> encodeJpeg(int width, int height, const EncodeOptions& options,
                                     const std::function<void(int y, std::uint8_t* row)>& fill);
bool writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// Makes (or reuses, when complete) `dir` holding `count` camera JPEGs named
// by printf `nameFormat` from 1: `distinct` of them are generated with
// `options`, the rest repeat their bytes under further names.
std::string makeRepeatedFolder(const std::string& dir, int count, int distinct,
                               const samples::CameraJpegOptions& options, const char* nameFormat);

// The one Qt core application of a command that needs an event loop.
QCoreApplication& coreApp();

} // namespace lumora::bench
