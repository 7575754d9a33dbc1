// Step timing of the motion driver under the real Qt event loop: the idle
// pump runs the driver on the simulated port, one X step per tick, for each
// requested tick period, and the recorded writes show what the pacing
// achieves. A measurement, not a test: it prints a table and never fails on
// a slow machine.
//
//   step_timing [seconds per period, default 1]

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "idle_pump.h"
#include "port_output.h"
#include "save_file.h"
#include "step_driver.h"

namespace {

struct Row {
    long long requested_us = 0;
    double achieved_us = 0;
    double p50 = 0, p99 = 0, p999 = 0, max = 0;
    double min_high_us = 0;
    std::size_t ticks = 0;
    std::uint64_t dropped = 0;
};

double quantile(const std::vector<double>& sorted, double q) {
    const auto i = static_cast<std::size_t>(q * static_cast<double>(sorted.size()));
    return sorted[std::min(i, sorted.size() - 1)];
}

Row measure(vexor::CStepDriver& driver, vexor::IdlePump& pump, platform::SimulatedPort& port,
            long long period_us, int duration_ms) {
    Row row;
    row.requested_us = period_us;
    port.clear();
    const std::string line = "P 1000000 0.001 0 0 " + std::to_string(period_us) + "\n";
    std::string error;
    if (!platform::save_file(driver.move_file_path(vexor::kMoveFileName), line, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    QEventLoop loop;
    QObject::connect(&pump, &vexor::IdlePump::stopped, &loop, &QEventLoop::quit);
    QTimer::singleShot(duration_ms, [&] { driver.request_stop(); });
    driver.start_move_file();
    pump.start();
    loop.exec();
    QObject::disconnect(&pump, &vexor::IdlePump::stopped, &loop, &QEventLoop::quit);

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

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
    const int duration_ms = std::max(10, static_cast<int>(seconds * 1000));

    QTemporaryDir folder;
    platform::SteadyCounter clock;
    platform::SimulatedPort port(clock, 1u << 21);
    vexor::CStepDriver driver(port, clock);
    vexor::MachineSettings settings;
    settings.StepX = 1000;
    driver.set_wiring(settings);
    driver.set_step_lengths(settings);
    driver.set_motors_on(true);
    driver.set_move_folder(folder.path().toStdString());
    vexor::IdlePump pump(driver);

    std::printf(
        "Cadencement des pas : port simulé, boucle d'événements Qt, pompe d'inactivité, "
        "%.1f s par période\n",
        duration_ms / 1000.0);
    std::printf(
        "écart = temps entre deux écritures successives du port (phases d'un pas : "
        "direction, front montant, front descendant), idéalement période / 3\n\n");
    // Column heads, right-aligned by characters rather than bytes.
    const char* heads[2][9] = {
        {"demandée", "obtenue", "rapport", "écart p50", "p99", "p99.9", "max", "horloge", "pas"},
        {"(µs)", "(µs)", "", "(µs)", "(µs)", "(µs)", "(µs)", "haute min", ""}};
    const int widths[9] = {9, 10, 8, 10, 9, 9, 9, 12, 8};
    for (const auto& line : heads) {
        std::string text;
        for (int i = 0; i < 9; ++i) {
            const std::string cell = line[i];
            const auto chars =
                std::count_if(cell.begin(), cell.end(), [](char c) { return (c & 0xC0) != 0x80; });
            text += std::string(static_cast<std::size_t>(std::max<long>(0, widths[i] - chars) + 1),
                                ' ');
            text += cell;
            if (i == 2 || i == 6) {
                text += " |";
            }
        }
        std::printf("%s\n", text.c_str());
    }
    for (long long period : {1000LL, 200LL, 50LL, 20LL, 10LL}) {
        const Row r = measure(driver, pump, port, period, duration_ms);
        if (r.ticks < 2) {
            std::printf("%9lld  trop peu de pas mesurés (%zu)\n", period, r.ticks);
            continue;
        }
        std::printf(" %9lld %10.2f %8.3f | %10.2f %9.2f %9.2f %9.1f | %12.2f %8zu%s\n", period,
                    r.achieved_us, r.achieved_us / static_cast<double>(period), r.p50, r.p99,
                    r.p999, r.max, r.min_high_us, r.ticks,
                    r.dropped ? "  (écritures les plus anciennes perdues)" : "");
    }
    return 0;
}
