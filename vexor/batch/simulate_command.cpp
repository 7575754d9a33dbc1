#include "simulate_command.h"

#include <QCoreApplication>
#include <cstdio>

#include "cut_simulation.h"
#include "idle_pump.h"
#include "save_file.h"
#include "settings_store.h"

namespace vexor {

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
}

// Runs the driver from the event loop until it is idle, as the window does.
void run_at_machine_speed(CutSimulation& simulation, int& argc, char** argv) {
    QCoreApplication app(argc, argv);
    IdlePump pump(simulation.doc().driver());
    QObject::connect(&pump, &IdlePump::stopped, &app, &QCoreApplication::quit);
    pump.start();
    app.exec();
}

}  // namespace

int run_simulate_command(const SimulateOptions& options, int& argc, char** argv) {
    // An interrupted run leaves neither its trace nor its job file half
    // written.
    platform::remove_temporary_files_on_interruption();
    const std::unique_ptr<platform::SettingsStore> store = platform::make_user_settings("Vexor");
    platform::SteadyCounter real_counter;
    CutSimulation simulation(*store, options.realtime ? &real_counter : nullptr);
    for (const std::string& notice : simulation.doc().settings_notices()) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }
    std::string error;
    if (!options.trace.empty() && !simulation.open_trace(options.trace, error)) {
        return fail(error);
    }
    if (!simulation.start(options.drawing, error)) {
        return fail(error);
    }
    if (options.realtime) {
        run_at_machine_speed(simulation, argc, argv);
    } else {
        simulation.run();
    }
    const SimulationReport report = simulation.report();
    const std::string text = report_text(report);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    if (!simulation.finish(error)) {
        return fail(error);
    }
    return report.pulsesOk ? 0 : 1;
}

}  // namespace vexor
