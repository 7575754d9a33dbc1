#include "simulate_command.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "command_line.h"
#include "cut_simulation.h"
#include "file_errors.h"
#include "qt_settings_store.h"
#include "read_file.h"
#include "save_file.h"
#include "settings_store.h"
#include "stepping_thread.h"

namespace vexor {

namespace {

constexpr const char* kUnsetStepsWarning =
    "Attention : les pas par mm de la machine ne sont pas réglés (aucun réglage enregistré, "
    "1 pas par mm) : la découpe simulée n'est pas à l'échelle de la machine. Réglez-les par "
    "« Paramétrage > Machine » dans la fenêtre, ou donnez --settings FICHIER.conf.\n";

// The shortest text that reads back as the same single ("157.48").
std::string number(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

// The user's home folder written "~", as the user knows it.
std::string shown_path(const std::string& path) {
    const char* home = std::getenv("HOME");
    const std::string prefix = home ? std::string(home) + "/" : std::string();
    if (!prefix.empty() && prefix != "/" && path.rfind(prefix, 0) == 0) {
        return "~/" + path.substr(prefix.size());
    }
    return path;
}

// Where the settings come from and what they are, in their units.
std::string settings_text(const MachineSettings& s, const std::string& source) {
    std::string out = "Réglages : " + source + "\n";
    out += "Pas par mm : X " + number(s.StepX) + " Y " + number(s.StepY) + " Z " + number(s.StepZ) +
           "\n";
    out += "Vitesses : déplacement XY " + number(s.travelSpeedXY) + " mm/s, Z " +
           number(s.travelSpeedZ) + " mm/s ; découpe XY " + number(s.cutSpeedXY) + " mm/s, Z " +
           number(s.cutSpeedZ) + " mm/s\n";
    out += "Descente : " + number(s.ZBas) + " mm\n";
    return out;
}

// The store the run reads, and how the report names it.
// `unset`: no settings were ever stored, so the machine's steps per mm are
// the placeholder 1.
std::unique_ptr<platform::SettingsStore> open_settings(const std::string& file, std::string& source,
                                                       bool& unset, std::string& error) {
    std::error_code ec;
    if (!file.empty()) {
        if (!platform::check_readable_file(file, error)) {
            return nullptr;
        }
        source = file;
        return platform::make_file_settings(file);
    }
    const std::string user_file = platform::user_settings_file("Vexor");
    if (std::filesystem::exists(user_file, ec)) {
        source = shown_path(user_file);
    } else {
        source = "valeurs par défaut (aucun fichier)";
        unset = true;
    }
    return platform::make_user_settings("Vexor");
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
    // An interrupted run leaves neither its trace nor its job file half
    // written.
    platform::remove_temporary_files_on_interruption();
    std::string source;
    std::string error;
    bool unset = false;
    const std::unique_ptr<platform::SettingsStore> store =
        open_settings(options.settings, source, unset, error);
    if (!store) {
        return platform::refuse(error);
    }
    platform::SteadyCounter real_counter;
    CutSimulation simulation(*store, options.realtime ? &real_counter : nullptr);
    for (const std::string& notice : simulation.doc().settings_notices()) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }
    const std::string settings = settings_text(simulation.doc().settings(), source);
    std::fwrite(settings.data(), 1, settings.size(), stdout);
    std::fflush(stdout);
    if (!options.trace.empty() &&
        (!platform::make_output_folder(platform::folder_of(options.trace), error) ||
         !simulation.open_trace(options.trace, error))) {
        return platform::refuse(error);
    }
    if (!simulation.start(options.drawing, error, options.feedOverride)) {
        return platform::refuse(command_line_message(error));
    }
    // Said once the job runs: a refusal stays a single line.
    if (unset) {
        std::fputs(kUnsetStepsWarning, stderr);
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
        return platform::refuse(error);
    }
    return report.pulsesOk && report.end == EndReason::endOfFile ? 0 : 1;
}

}  // namespace vexor
