// The feed override under the stepping thread: one long cutting line of the
// job file, one X step per tick, run at 50 %, 100 % and 200 % of its speed
// for each written period, on the simulated port. The recorded writes give
// the tick the thread achieved; the table compares its rate with the one
// the override asks. A measurement, not a test: it prints a table and never
// fails on a slow machine.
//
//   step_override [seconds per period and override, default 1]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "move_file.h"
#include "port_output.h"
#include "save_file.h"
#include "step_driver.h"
#include "stepping_thread.h"

namespace {

struct Row {
    std::int64_t asked_us = 0;  // the period the override gives the line
    double achieved_us = 0;
    std::size_t ticks = 0;
    std::uint64_t stalls = 0;
    std::int64_t longest_stall_us = 0;
    bool dropped = false;
};

// A line far longer than the run, cutting, its travel floor a quarter of its
// period so that 200 % is never held back.
Row measure(platform::PerformanceCounter& clock, platform::SimulatedPort& port,
            const std::string& folder, long long period_us, int percent, int duration_ms,
            std::string& status) {
    port.clear();
    vexor::CStepDriver driver(port, clock);
    vexor::MachineSettings settings;
    settings.StepX = 1000;
    driver.set_wiring(settings);
    driver.set_step_lengths(settings);
    driver.set_motors_on(true);
    driver.set_move_folder(folder);
    std::string error;
    if (!platform::save_file(driver.move_file_path(vexor::kJobFileName),
                             "P 1000000 0.001 0 0 " + std::to_string(period_us) + "\n", &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    Row row;
    {
        vexor::CSteppingThread thread(driver);
        thread.command([&](vexor::CStepDriver& d) {
            d.set_job_lines({{.cutting = true,
                              .floorUs = period_us / 4,
                              .ticks = 1'000'000'000,
                              .periodUs = period_us}});
            d.start_job_file();
            d.set_feed_override(percent);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(duration_ms));
        thread.command([&](vexor::CStepDriver& d) {
            row.asked_us = d.periodUs();
            d.request_stop();
        });
        thread.wait_for([](const vexor::DriverSnapshot& s) { return !s.running; },
                        std::chrono::minutes(1));
        status = thread.status();
    }
    row.stalls = driver.tally().stalls;
    row.longest_stall_us = driver.tally().longestStallUs;
    // Each tick writes three bytes: direction, rising and falling edge.
    const auto records = port.records();
    row.dropped = port.dropped() != 0;
    row.ticks = records.size() / 3;
    if (row.ticks >= 2) {
        const double us_per_count = 1e6 / static_cast<double>(port.frequency());
        row.achieved_us =
            static_cast<double>(records[3 * (row.ticks - 1)].count - records[0].count) *
            us_per_count / static_cast<double>(row.ticks - 1);
    }
    return row;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
    const int duration_ms = std::max(10, static_cast<int>(seconds * 1000));
    const std::string folder =
        std::filesystem::temp_directory_path() / ("step_override_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);

    platform::SteadyCounter clock;
    platform::SimulatedPort port(clock, 1u << 21);
    port.reserve();

    std::printf(
        "Correction d'avance dans le fil de pas : port simulé, %.1f s par période et par "
        "correction\n"
        "rapport = cadence obtenue / cadence demandée (période demandée / période obtenue)\n\n",
        duration_ms / 1000.0);
    // Widths in bytes: one more for each two-byte character.
    std::printf("%10s %10s %12s %11s %9s %8s %10s\n", "écrite", "correction", "demandée", "obtenue",
                "rapport", "retards", "plus long");
    std::printf("%10s %10s %12s %12s %9s %8s %11s\n", "(µs)", "(%)", "(µs)", "(µs)", "", "",
                "(µs)");
    std::string status;
    for (long long period : {1000LL, 200LL, 50LL}) {
        for (int percent : {50, 100, 200}) {
            const Row r = measure(clock, port, folder, period, percent, duration_ms, status);
            if (r.ticks < 2) {
                std::printf("%9lld %10d  trop peu de pas mesurés (%zu)\n", period, percent,
                            r.ticks);
                continue;
            }
            std::printf("%9lld %10d %11lld %11.2f %9.4f %8llu %10lld%s\n", period, percent,
                        static_cast<long long>(r.asked_us), r.achieved_us,
                        static_cast<double>(r.asked_us) / r.achieved_us,
                        static_cast<unsigned long long>(r.stalls),
                        static_cast<long long>(r.longest_stall_us),
                        r.dropped ? "  (écritures les plus anciennes perdues)" : "");
        }
    }
    std::printf("\nfil de pas : %s\n", status.substr(status.find(", ") + 2).c_str());
    std::filesystem::remove_all(folder);
    return 0;
}
