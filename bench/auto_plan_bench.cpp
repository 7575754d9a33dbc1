// The whole automatic plan as the command line runs it, on a board of 199
// parts (the most one import takes): import of the drawing, plan, .cmg save
// and DXF export. A measurement, not a test: the target is under one second
// per run on the suite's machine.
//
//   auto_plan_bench [Google Benchmark options]

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "auto_plan.h"
#include "save_file.h"
#include "settings_store.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Parts of `vertices` points (a rounded rib of 40 by 12 mm) on a grid of
// 20 columns, written in a shuffled order, as closed POLYLINEs.
std::string board_dxf(int parts, int vertices) {
    std::vector<int> cells(static_cast<size_t>(parts));
    for (int k = 0; k < parts; ++k) {
        cells[static_cast<size_t>(k)] = k;
    }
    std::mt19937 random(7);
    std::shuffle(cells.begin(), cells.end(), random);
    std::string text = "  0\nSECTION\n  2\nENTITIES\n";
    char line[96];
    for (int cell : cells) {
        const double cx = 30 + 48.0 * (cell % 20);
        const double cy = 12 + 18.0 * (cell / 20);
        text += "  0\nPOLYLINE\n  8\n0\n 66\n     1\n 70\n     1\n";
        for (int k = 0; k < vertices; ++k) {
            const double a = 2 * kPi * k / vertices;
            // Thicker towards the front, like a rib.
            const double half = 6 * std::sin(a) * (1.2 - 0.4 * std::cos(a));
            std::snprintf(line, sizeof line, "  0\nVERTEX\n  8\n0\n 10\n%.4f\n 20\n%.4f\n",
                          cx + 20 * std::cos(a), cy + half);
            text += line;
        }
        text += "  0\nSEQEND\n";
    }
    return text + "  0\nENDSEC\n  0\nEOF\n";
}

void whole_command(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() / "auto_plan_bench";
    std::filesystem::create_directories(folder);
    const std::string drawing = (folder / "planche.dxf").string();
    std::string error;
    if (!platform::save_file(drawing, board_dxf(static_cast<int>(state.range(0)), 60), &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    plandor::PlanReport report;
    for (auto _ : state) {
        platform::MemorySettingsStore settings;
        plandor::CPlandorDoc doc(settings);
        if (!doc.import_dxf(drawing, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        report = plandor::plan_automatically(doc, {});
        if (!doc.save_document((folder / "plan.cmg").string(), error) ||
            !doc.export_dxf((folder / "decoupe.dxf").string(), error)) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    state.counters["pieces"] = report.parts;
    state.counters["liaisons"] = report.links;
    state.counters["depl_avant_mm"] = report.travelBefore;
    state.counters["depl_apres_mm"] = report.travelAfter;
    std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(whole_command)->Arg(50)->Arg(199)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
