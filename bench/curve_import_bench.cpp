// The curve import on the slowest drawings the fuzzer made (fuzz/crashes/
// curve_import_fuzzer: arrays of inserted circles and splines, a drawing in
// yards whose splines fill every bound of points). A measurement, not a
// test: the target is under one second per drawing on the suite's machine,
// whatever the drawing.
//
//   curve_import_bench [Google Benchmark options]

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dxf_contours.h"

namespace {

void import_drawing(benchmark::State& state, const std::string& text) {
    std::size_t fine = 0;
    std::size_t contours = 0;
    for (auto _ : state) {
        common::CurveImport result;
        std::string error;
        benchmark::DoNotOptimize(common::import_dxf_curves_text(text, 199, 100, result, error));
        fine = 0;
        for (const common::CurvePiece& piece : result.drawing.pieces) {
            fine += piece.fine.size();
        }
        contours = result.contours.size();
    }
    state.counters["contours"] = static_cast<double>(contours);
    state.counters["fine_points"] = static_cast<double>(fine);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(OSTRELO_SLOW_DRAWINGS)) {
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const std::filesystem::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        const std::string name = file.filename().string().substr(0, 16);
        benchmark::RegisterBenchmark(name.c_str(), import_drawing, text.str())
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
