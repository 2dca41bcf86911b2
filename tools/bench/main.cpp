// lumora-bench: performance measurements, one subcommand per area.
#include "BenchCommands.h"

#include <cstdio>
#include <cstring>

namespace lumora::bench {

std::vector<BenchCommand>& BenchCommands() {
    static std::vector<BenchCommand> commands;
    return commands;
}

} // namespace lumora::bench

namespace {

void usage(std::FILE* to) {
    std::fprintf(to, "usage: lumora-bench COMMAND [--quick] [--json] [ARGS...]\n");
    for (const auto& c : lumora::bench::BenchCommands())
        std::fprintf(to, "  %-10s %s\n", c.name.c_str(), c.help.c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const auto& c : lumora::bench::BenchCommands()) {
        if (c.name == argv[1])
            return c.run(std::vector<std::string>(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "lumora-bench: unknown command %s\n", argv[1]);
    usage(stderr);
    return 2;
}
