#pragma once
// A motion driver on a simulated port with a hand-driven clock (one count
// per microsecond unless told), and a private folder for its move files.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "machine_settings.h"
#include "port_output.h"
#include "step_driver.h"

namespace vexor {

// States print as their codes in the tests' failure messages.
inline void PrintTo(DriverState state, std::ostream* out) {
    *out << "state " << static_cast<int>(state);
}

}  // namespace vexor

namespace vexor::test {

struct TempDir {
    std::filesystem::path path;
    explicit TempDir(const std::string& tag)
        : path(std::filesystem::temp_directory_path() /
               ("vexor_" + tag + "_" + std::to_string(::getpid()) + "_" + std::to_string(next()))) {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    static int next() {
        static int n = 0;
        return ++n;
    }
};

inline void write_text(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

inline std::string read_text(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct DriverRig {
    TempDir dir;
    platform::ManualCounter clock;
    platform::SimulatedPort port{clock};
    CStepDriver driver{port, clock};

    explicit DriverRig(const MachineSettings& settings = {}, const std::string& tag = "rig",
                       std::int64_t frequency = 1'000'000)
        : dir(tag), clock(frequency) {
        driver.set_wiring(settings);
        driver.set_step_lengths(settings);
        driver.set_move_folder(dir.path.string());
    }

    // Writes "dep.dep" and starts it.
    void start(const std::string& text) {
        write_text(dir.path / "dep.dep", text);
        driver.start_move_file();
    }

    // Runs the driver with time moving one microsecond per counter reading
    // until it answers kNoWork; returns the states it went through.
    std::vector<DriverState> run(std::size_t max_calls = 10'000'000) {
        clock.set_auto_advance(1);
        std::vector<DriverState> states;
        for (std::size_t i = 0; i < max_calls && driver.step() != kNoWork; ++i) {
            states.push_back(driver.state());
        }
        clock.set_auto_advance(0);
        return states;
    }

    std::vector<int> bytes() const {
        std::vector<int> out;
        for (const auto& r : port.records()) {
            out.push_back(r.value);
        }
        return out;
    }
};

}  // namespace vexor::test
