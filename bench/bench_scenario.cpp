// Checking, listing and dumping scenarios that grow: a SERIES of N STILLs of 30
// frames, and a chain of 900 blocks over a STILL of 2^31 - 2 frames. The time per
// block should stay flat as N grows. The scenarios are written by the benchmark.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "scenario/scenario.h"

namespace {

std::string work_file(const std::string& name) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("vemo-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    return (folder / name).string();
}

std::string series_of_stills(int64_t count) {
    const std::string path = work_file("stills-" + std::to_string(count) + ".txt");
    std::ofstream out(path, std::ios::binary);
    out << "SCREEN 64 48\nDRAW \"p\" { SIZE 4 4 }\n";
    for (int64_t i = 0; i < count; ++i) out << "STILL \"s" << i << "\" { INPUT \"p\" FRAMES 30 }\n";
    out << "SERIES \"all\" {\n";
    for (int64_t i = 0; i < count; ++i) out << " INPUT \"s" << i << "\"\n";
    out << "}\nMAIN { INPUT \"all\" }\n";
    return path;
}

std::string chain_over_long_still() {
    const std::string path = work_file("chain.txt");
    std::ofstream out(path, std::ios::binary);
    out << "SCREEN 64 48\nDRAW \"p\" { SIZE 4 4 }\nSTILL \"b0\" { INPUT \"p\" FRAMES 2147483646 "
           "}\n";
    const char* kinds[] = {"ALPHA", "SHADE", "FADEIN", "SERIES", "CUT", "MIX"};
    for (int i = 1; i <= 900; ++i) {
        const std::string kind = kinds[i % 6];
        out << kind << " \"b" << i << "\" { INPUT \"b" << i - 1 << "\"";
        if (kind == "FADEIN") out << " FRAMES 10";
        if (kind == "CUT") out << " START 0 END 2147483645";
        out << " }\n";
    }
    out << "MAIN { INPUT \"b900\" }\n";
    return path;
}

// What vemo info lists: the tree from MAIN.
size_t list_tree(CScene& scene) {
    size_t lines = 1;
    for (const auto& input : scene.Inputs()) {
        if (input->Target()) lines += list_tree(*input->Target());
    }
    return lines;
}

void run(benchmark::State& state, const std::string& path, int64_t blocks) {
    for (auto _ : state) {
        CScenario doc;
        doc.SetErrorCallback([](const std::string&) {});
        if (doc.Load(path) != 0 || doc.Link() != 0) {
            state.SkipWithError("the scenario did not link");
            return;
        }
        benchmark::DoNotOptimize(doc.KeyFrames());
        benchmark::DoNotOptimize(list_tree(*doc.MainScene()));
        benchmark::DoNotOptimize(doc.DumpScenario("dump.txt").size());
    }
    state.SetItemsProcessed(state.iterations() * blocks);
}

// Load, Link (totals and key frames), the tree and the dump.
void BM_CheckInfoDumpStills(benchmark::State& state) {
    const std::string path = series_of_stills(state.range(0));
    run(state, path, state.range(0));
}
BENCHMARK(BM_CheckInfoDumpStills)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond);

void BM_CheckInfoDumpChain(benchmark::State& state) {
    static const std::string path = chain_over_long_still();
    run(state, path, 900);
}
BENCHMARK(BM_CheckInfoDumpChain)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
