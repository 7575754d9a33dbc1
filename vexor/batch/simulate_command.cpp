#include "simulate_command.h"

#include <cstdio>

#include "cut_simulation.h"
#include "settings_store.h"
#include "stepping_thread.h"

namespace vexor {

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
}

// Runs the driver in the stepping thread until it is idle, as the window
// does; returns how the thread ran.
std::string run_at_machine_speed(CutSimulation& simulation) {
    CSteppingThread thread(simulation.doc().driver());
    while (!thread.wait_for([](const DriverSnapshot& s) { return !s.running; },
                            std::chrono::hours(1))) {
    }
    return thread.status();
}

}  // namespace

int run_simulate_command(const SimulateOptions& options) {
    const std::unique_ptr<platform::SettingsStore> store = platform::make_user_settings("Vexor");
    platform::SteadyCounter real_counter;
    CutSimulation simulation(*store, options.realtime ? &real_counter : nullptr);
    std::string error;
    if (!options.trace.empty() && !simulation.open_trace(options.trace, error)) {
        return fail(error);
    }
    if (!simulation.start(options.drawing, error)) {
        return fail(error);
    }
    std::string runner;
    if (options.realtime) {
        runner = run_at_machine_speed(simulation);
    } else {
        simulation.run();
    }
    SimulationReport report = simulation.report();
    report.runner = runner;
    const std::string text = report_text(report);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    if (!simulation.finish(error)) {
        return fail(error);
    }
    return report.pulsesOk ? 0 : 1;
}

}  // namespace vexor
