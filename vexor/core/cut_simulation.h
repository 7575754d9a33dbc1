#pragma once
// A cut job run on the simulated port, as `vexor --simulate` runs it: the
// drawing is opened as the window opens it, the job is started from
// (0, 0, 0) with the motors on, and every byte written to the port goes to a
// pulse decoder (and to a trace file when one is asked for), so that the
// steps on the wires can be compared with the positions the driver believes.
// The machine settings are read from the store and never written back: a
// check must not change the user's machine.

#include <cstdint>
#include <memory>
#include <string>

#include "performance_counter.h"
#include "port_output.h"
#include "pulse_decoder.h"
#include "settings_store.h"
#include "vexor_doc.h"

namespace vexor {

struct SimulationReport {
    std::string file;  // the drawing's file name
    int polylines = 0;
    int selected = 0;
    std::uint64_t lines = 0;  // move lines executed
    // Why the driver stopped executing the job file; anything but its end
    // is reported (with the number of a bad line).
    EndReason end = EndReason::none;
    std::uint64_t endLine = 0;
    std::uint64_t pulsesX = 0, pulsesY = 0, pulsesZ = 0;  // counted by the decoder
    std::int64_t timeUs = 0;                              // sum of the periods of the ticks run
    int feedOverride = 100;  // % applied to the cutting lines from the start
    // At machine speed: how the driver ran, and its phases late by more
    // than a period (printed only then; a simulated counter is never late).
    bool machineSpeed = false;
    std::string runner;
    std::uint64_t stalls = 0;
    std::int64_t longestStallUs = 0;
    float posX = 0, posY = 0, posZ = 0;
    bool pulsesOk = false;
    std::string check;  // "OK" or what differs
};

// The report, one item a line, numbers with a decimal point; a duration of a
// minute or more is also given in minutes. A job that did not run to the end
// of its file has the line "Découpe interrompue : " and why; a feed override
// other than 100 % is given before the duration.
std::string report_text(const SimulationReport& report);

// A duration in minutes and seconds to a tenth, as a person reads it:
// "6 min 48.9 s", "1 h 0 min 0.0 s", with the decimal point of the rest of
// the report.
std::string minutes_text(std::int64_t time_us);

class CutSimulation {
  public:
    // With `counter` null the run uses a counter of its own, which only
    // moves when `step` moves it to the end of a wait, so every wait ends at
    // once and a long job is checked in a moment. With a real counter the
    // caller runs the driver (the stepping thread) at machine speed.
    explicit CutSimulation(const platform::SettingsStore& settings,
                           platform::PerformanceCounter* counter = nullptr);
    ~CutSimulation();
    CutSimulation(const CutSimulation&) = delete;
    CutSimulation& operator=(const CutSimulation&) = delete;

    // Streams every port write to `path` as CSV lines
    // "temps_us,port,octet" (time from the start of the run, port and byte
    // in hex). The file is written aside, under a unique temporary name, and
    // takes its name at `finish`.
    [[nodiscard]] bool open_trace(const std::string& path, std::string& error);

    // Opens the drawing, switches the motors on and starts the job, its
    // cutting lines at `feed_override` % (10..200) from the first. False
    // with a French message when the drawing cannot be read, holds no
    // polyline, or the job is refused.
    [[nodiscard]] bool start(const std::string& dxf_path, std::string& error,
                             int feed_override = 100);

    // One state of the driver; with the own counter, time then jumps to the
    // end of the wait the driver has entered. Returns the driver's answer.
    StepResult step();
    // Steps until the driver is idle (own counter only).
    void run();

    // Closes the trace. False with a French message when it could not be
    // written whole (the file is then not left behind).
    [[nodiscard]] bool finish(std::string& error);

    SimulationReport report() const;

    CVexorDoc& doc() { return doc_; }
    const PulseDecoder& decoder() const { return decoder_; }
    bool simulated_counter() const { return own_counter_ != nullptr; }

  private:
    class ReadOnlySettings : public platform::SettingsStore {
      public:
        explicit ReadOnlySettings(const platform::SettingsStore& store) : store_(store) {}
        int read_int(const std::string& section, const std::string& key,
                     int default_value) const override {
            return store_.read_int(section, key, default_value);
        }
        bool write_int(const std::string&, const std::string&, int) override { return false; }
        bool unreadable(const std::string& section, const std::string& key,
                        std::string& text) const override {
            return store_.unreadable(section, key, text);
        }
        std::string read_text(const std::string& section, const std::string& key) const override {
            return store_.read_text(section, key);
        }

      private:
        const platform::SettingsStore& store_;
    };
    class Trace;

    void on_write(const platform::PortRecord& record);

    ReadOnlySettings settings_;
    std::unique_ptr<platform::ManualCounter> own_counter_;
    platform::PerformanceCounter& counter_;
    platform::SimulatedPort port_;
    CVexorDoc doc_;
    PulseDecoder decoder_;
    std::unique_ptr<Trace> trace_;
    std::int64_t startCount_ = 0;
    std::string file_;
    int feedOverride_ = 100;
};

}  // namespace vexor
