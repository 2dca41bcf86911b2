// Subcommands of lumora-bench. Each lives in its own source file and adds
// itself to the table with a static BenchRegistrar, so main.cpp never changes.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace lumora::bench {

struct BenchCommand {
    std::string name; // "decode"
    std::string help; // one line
    std::function<int(const std::vector<std::string>& args)> run;
};

std::vector<BenchCommand>& BenchCommands();

struct BenchRegistrar {
    explicit BenchRegistrar(BenchCommand command) { BenchCommands().push_back(std::move(command)); }
};

} // namespace lumora::bench
