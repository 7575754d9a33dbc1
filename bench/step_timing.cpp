// Step timing of the motion driver on the simulated port, one X step per
// tick, for each requested tick period, under its three ways of running: the
// idle pump of the Qt event loop with the timing marks taken from the
// counter (each phase lasts its part plus the polling delay), the same pump
// with deadline marks, and the stepping thread (deadline marks, real-time
// priority where the system grants it). The recorded writes show what each
// achieves. A measurement, not a test: it prints a table and never fails on
// a slow machine.
//
//   step_timing [seconds per period and runner, default 1]

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "idle_pump.h"
#include "port_output.h"
#include "save_file.h"
#include "step_driver.h"
#include "stepping_thread.h"

namespace {

enum class Runner { pump_counter, pump_deadline, thread };

const char* runner_name(Runner r) {
    switch (r) {
        case Runner::pump_counter:
            return "pompe, marques au compteur";
        case Runner::pump_deadline:
            return "pompe, échéances";
        default:
            return "fil de pas";
    }
}

struct Row {
    double achieved_us = 0;
    double p50 = 0, p99 = 0, p999 = 0, max = 0;
    double min_high_us = 0;
    std::size_t ticks = 0;
    std::uint64_t dropped = 0;
    std::uint64_t stalls = 0;
    std::int64_t longest_stall_us = 0;
};

double quantile(const std::vector<double>& sorted, double q) {
    const auto i = static_cast<std::size_t>(q * static_cast<double>(sorted.size()));
    return sorted[std::min(i, sorted.size() - 1)];
}

// A long X move at `period_us` in "dep.dep".
void write_move(const vexor::CStepDriver& driver, long long period_us) {
    const std::string line = "P 1000000 0.001 0 0 " + std::to_string(period_us) + "\n";
    std::string error;
    if (!platform::save_file(driver.move_file_path(vexor::kMoveFileName), line, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
}

void run_pump(vexor::IdlePump& pump, int duration_ms) {
    QEventLoop loop;
    QObject::connect(&pump, &vexor::IdlePump::stopped, &loop, &QEventLoop::quit);
    QTimer::singleShot(duration_ms, [&] { pump.command([](auto& d) { d.request_stop(); }); });
    pump.command([](vexor::CStepDriver& d) { d.start_move_file(); });
    loop.exec();
    QObject::disconnect(&pump, &vexor::IdlePump::stopped, &loop, &QEventLoop::quit);
}

// Runs the move in a stepping thread; returns the thread's status.
std::string run_thread(vexor::CStepDriver& driver, int duration_ms) {
    vexor::CSteppingThread thread(driver);
    thread.command([](vexor::CStepDriver& d) { d.start_move_file(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(duration_ms));
    thread.command([](vexor::CStepDriver& d) { d.request_stop(); });
    thread.wait_for([](const vexor::DriverSnapshot& s) { return !s.running; },
                    std::chrono::minutes(1));
    return thread.status();
}

// One run on a driver of its own, so that its stalls are its own.
Row measure(platform::PerformanceCounter& clock, platform::SimulatedPort& port,
            const std::string& folder, Runner runner, long long period_us, int duration_ms,
            std::string& status) {
    Row row;
    port.clear();
    vexor::CStepDriver driver(port, clock);
    vexor::MachineSettings settings;
    settings.StepX = 1000;
    driver.set_wiring(settings);
    driver.set_step_lengths(settings);
    driver.set_motors_on(true);
    driver.set_move_folder(folder);
    driver.set_pacing(runner == Runner::pump_counter ? vexor::Pacing::counter
                                                     : vexor::Pacing::deadline);
    write_move(driver, period_us);
    if (runner == Runner::thread) {
        status = run_thread(driver, duration_ms);
    } else {
        vexor::IdlePump pump(driver);
        run_pump(pump, duration_ms);
    }
    row.stalls = driver.tally().stalls;
    row.longest_stall_us = driver.tally().longestStallUs;

    // Each stepping tick writes three bytes: direction, rising and falling edge.
    const auto records = port.records();
    row.dropped = port.dropped();
    const double us_per_count = 1e6 / static_cast<double>(port.frequency());
    const std::size_t ticks = records.size() / 3;
    row.ticks = ticks;
    if (ticks < 2) {
        return row;
    }
    const auto start = [&](std::size_t tick) { return records[3 * tick].count; };
    row.achieved_us = static_cast<double>(start(ticks - 1) - start(0)) * us_per_count /
                      static_cast<double>(ticks - 1);
    std::vector<double> gaps;
    gaps.reserve(3 * ticks);
    row.min_high_us = 1e300;
    for (std::size_t i = 1; i < 3 * ticks; ++i) {
        const double gap =
            static_cast<double>(records[i].count - records[i - 1].count) * us_per_count;
        gaps.push_back(gap);
        if (i % 3 == 2) {  // rising edge at i - 1, falling edge at i
            row.min_high_us = std::min(row.min_high_us, gap);
        }
    }
    std::sort(gaps.begin(), gaps.end());
    row.p50 = quantile(gaps, 0.50);
    row.p99 = quantile(gaps, 0.99);
    row.p999 = quantile(gaps, 0.999);
    row.max = gaps.back();
    return row;
}

// Appends a space and `text` right-aligned in `width` characters (not bytes).
void add_cell(std::string& line, const std::string& text, int width) {
    const auto chars =
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; });
    line.append(static_cast<std::size_t>(std::max<long>(0, width - chars)) + 1, ' ');
    line += text;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
    const int duration_ms = std::max(10, static_cast<int>(seconds * 1000));

    QTemporaryDir folder;
    platform::SteadyCounter clock;
    platform::SimulatedPort port(clock, 1u << 21);
    port.reserve();

    std::printf("Cadencement des pas : port simulé, %.1f s par période et par exécutant\n",
                duration_ms / 1000.0);
    std::printf(
        "écart = temps entre deux écritures successives du port (phases d'un pas : "
        "direction, front montant, front descendant), idéalement période / 3 ;\n"
        "retard = phase exécutée plus d'une période après son échéance\n\n");
    const char* heads[2][11] = {
        {"demandée", "exécutant", "obtenue", "rapport", "écart p50", "p99", "p99.9", "max",
         "horloge", "retards", "plus long"},
        {"(µs)", "", "(µs)", "", "(µs)", "(µs)", "(µs)", "(µs)", "haute min", "", "(µs)"}};
    const int widths[11] = {9, 27, 10, 8, 10, 9, 9, 9, 10, 8, 10};
    for (const auto& line : heads) {
        std::string text;
        for (int i = 0; i < 11; ++i) {
            add_cell(text, line[i], widths[i]);
            if (i == 3 || i == 7) {
                text += " |";
            }
        }
        std::printf("%s\n", text.c_str());
    }
    std::string status;
    for (long long period : {1000LL, 200LL, 50LL, 20LL, 10LL}) {
        for (Runner runner : {Runner::pump_counter, Runner::pump_deadline, Runner::thread}) {
            const Row r = measure(clock, port, folder.path().toStdString(), runner, period,
                                  duration_ms, status);
            std::string head;
            add_cell(head, std::to_string(period), 9);
            add_cell(head, runner_name(runner), 27);
            if (r.ticks < 2) {
                std::printf("%s  trop peu de pas mesurés (%zu)\n", head.c_str(), r.ticks);
                continue;
            }
            std::printf("%s %10.2f %8.4f | %10.2f %9.2f %9.2f %9.1f | %10.2f %8llu %10lld%s\n",
                        head.c_str(), r.achieved_us, r.achieved_us / static_cast<double>(period),
                        r.p50, r.p99, r.p999, r.max, r.min_high_us,
                        static_cast<unsigned long long>(r.stalls),
                        static_cast<long long>(r.longest_stall_us),
                        r.dropped ? "  (écritures les plus anciennes perdues)" : "");
        }
    }
    std::printf("\nfil de pas : %s\n", status.substr(status.find(", ") + 2).c_str());
    return 0;
}
