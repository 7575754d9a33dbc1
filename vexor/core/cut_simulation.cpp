#include "cut_simulation.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>

#include "file_errors.h"
#include "printable.h"
#include "save_file.h"

namespace vexor {

namespace {

void append_fixed(std::string& out, double value, int decimals) {
    char buf[400];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    out.append(buf, res.ptr);
}

// One axis of the pulse check: the rising edges on the wires against the
// steps the driver made, and the net count against its net movement.
void check_axis(std::string& out, char axis, std::uint64_t pulses, std::uint64_t steps,
                std::int64_t wire_net, std::int64_t driver_net) {
    if (pulses == steps && wire_net == driver_net) {
        return;
    }
    out += out.empty() ? "" : " ; ";
    out += std::string(1, axis) + " : " + std::to_string(pulses) + " impulsions (" +
           std::to_string(wire_net) + " nettes) pour " + std::to_string(steps) +
           " pas du pilote (" + std::to_string(driver_net) + " nets)";
}

}  // namespace

// The CSV trace, written through the atomic writer (a temporary file of a
// unique name beside its target, renamed over it only when every line
// reached the disk), in blocks.
class CutSimulation::Trace {
  public:
    explicit Trace(std::string path) : path_(std::move(path)) {}

    bool open(std::string& error) {
        if (!file_.open(path_)) {
            error = "Impossible de créer le fichier de trace « " + path_ + " ».";
            return false;
        }
        buffer_ = "temps_us,port,octet\n";
        return true;
    }

    void write(std::int64_t us, unsigned short port, unsigned char value) {
        char line[64];
        char* p = std::to_chars(line, line + 24, us).ptr;
        p = std::snprintf(p, 32, ",0x%03X,0x%02X\n", port, value) + p;
        buffer_.append(line, p);
        if (buffer_.size() >= kBlock) {
            file_.write(buffer_);
            buffer_.clear();
        }
    }

    bool finish(std::string& error) {
        file_.write(buffer_);
        buffer_.clear();
        if (!file_.commit()) {
            error = "Impossible d'écrire le fichier de trace « " + path_ + " ».";
            return false;
        }
        return true;
    }

  private:
    static constexpr std::size_t kBlock = 1 << 16;
    std::string path_;
    platform::AtomicFile file_;
    std::string buffer_;
};

CutSimulation::CutSimulation(const platform::SettingsStore& settings,
                             platform::PerformanceCounter* counter)
    : settings_(settings),
      own_counter_(counter ? nullptr : std::make_unique<platform::ManualCounter>(1'000'000)),
      counter_(counter ? *counter : *own_counter_),
      port_(counter_, 1024),
      doc_(settings_, port_, counter_),
      decoder_(doc_.settings()) {
    port_.set_observer([this](const platform::PortRecord& r) { on_write(r); });
}

CutSimulation::~CutSimulation() = default;

bool CutSimulation::open_trace(const std::string& path, std::string& error) {
    auto trace = std::make_unique<Trace>(path);
    if (!trace->open(error)) {
        return false;
    }
    trace_ = std::move(trace);
    return true;
}

void CutSimulation::on_write(const platform::PortRecord& record) {
    decoder_.feed(record.port, record.value);
    if (trace_) {
        trace_->write(counts_to_us(record.count - startCount_, counter_.frequency()), record.port,
                      record.value);
    }
}

bool CutSimulation::start(const std::string& dxf_path, std::string& error, int feed_override) {
    if (!doc_.open_drawing(dxf_path, error)) {
        return false;
    }
    file_ = std::filesystem::path(dxf_path).filename().string();
    if (doc_.polylineCount == 0) {
        error = "Le dessin « " + file_ +
                " » ne contient aucune polyligne (POLYLINE ou LINE) : il n'y a rien à découper.";
        return false;
    }
    doc_.driver().set_motors_on(true);
    startCount_ = counter_.count();
    if (!doc_.start_job(error)) {
        return false;
    }
    doc_.driver().set_feed_override(feed_override);
    feedOverride_ = doc_.driver().feed_override();
    return true;
}

StepResult CutSimulation::step() {
    const StepResult busy = doc_.driver().step();
    if (own_counter_) {
        const std::int64_t end = doc_.driver().wait_end();
        if (end > own_counter_->now()) {
            own_counter_->advance(end - own_counter_->now());
        }
    }
    return busy;
}

void CutSimulation::run() {
    while (step() == kHasWork) {
    }
}

bool CutSimulation::finish(std::string& error) {
    if (!trace_) {
        return true;
    }
    const bool ok = trace_->finish(error);
    trace_.reset();
    return ok;
}

SimulationReport CutSimulation::report() const {
    const CStepDriver& d = doc_.driver();
    const CStepDriver::Tally t = d.tally();
    SimulationReport r;
    r.file = file_;
    r.polylines = doc_.polylineCount;
    r.selected = doc_.selected_count();
    r.lines = t.lines;
    r.end = d.end_reason();
    r.endLine = d.end_line();
    r.pulsesX = decoder_.pulses_x();
    r.pulsesY = decoder_.pulses_y();
    r.pulsesZ = decoder_.pulses_z();
    r.timeUs = t.tickTimeUs;
    r.feedOverride = feedOverride_;
    r.machineSpeed = own_counter_ == nullptr;
    r.stalls = t.stalls;
    r.longestStallUs = t.longestStallUs;
    r.posX = d.posX();
    r.posY = d.posY();
    r.posZ = d.posZ();
    std::string diff;
    check_axis(diff, 'X', r.pulsesX, t.stepsX, decoder_.steps_x(), t.netX);
    check_axis(diff, 'Y', r.pulsesY, t.stepsY, decoder_.steps_y(), t.netY);
    check_axis(diff, 'Z', r.pulsesZ, t.stepsZ, decoder_.steps_z(), t.netZ);
    if (decoder_.direction_races() != 0) {
        diff += (diff.empty() ? "" : " ; ") + std::to_string(decoder_.direction_races()) +
                " fronts d'horloge écrits avec un changement de direction";
    }
    if (decoder_.foreign_writes() != 0) {
        diff += (diff.empty() ? "" : " ; ") + std::to_string(decoder_.foreign_writes()) +
                " octets écrits sur un autre port";
    }
    r.pulsesOk = diff.empty();
    r.check = r.pulsesOk ? "OK" : "ÉCART : " + diff;
    return r;
}

std::string minutes_text(std::int64_t time_us) {
    const std::int64_t tenths = (time_us + 50'000) / 100'000;
    const std::int64_t hours = tenths / 36'000;
    const std::int64_t minutes = tenths / 600 % 60;
    std::string out = hours > 0 ? std::to_string(hours) + " h " : "";
    out += std::to_string(minutes) + " min " + std::to_string(tenths % 600 / 10) + "." +
           std::to_string(tenths % 10) + " s";
    return out;
}

std::string report_text(const SimulationReport& r) {
    std::string out = "Fichier : " + platform::printable(r.file) + "\n";
    out += "Polylignes : " + std::to_string(r.polylines) + " (" + std::to_string(r.selected) +
           " à découper)\n";
    out += "Lignes de mouvement : " + std::to_string(r.lines) + "\n";
    if (r.end != EndReason::endOfFile) {
        out += "Découpe interrompue : " + end_reason_text(r.end, r.endLine) + "\n";
    }
    out += "Pas : X " + std::to_string(r.pulsesX) + " Y " + std::to_string(r.pulsesY) + " Z " +
           std::to_string(r.pulsesZ) + "\n";
    if (r.feedOverride != 100) {
        out += "Correction d'avance : " + std::to_string(r.feedOverride) + " %\n";
    }
    out += "Durée : ";
    append_fixed(out, static_cast<double>(r.timeUs) / 1e6, 3);
    out += " s";
    if (r.timeUs >= 60'000'000) {
        out += " (" + minutes_text(r.timeUs) + ")";
    }
    out += "\n";
    if (r.machineSpeed) {
        out += "Exécution : " + r.runner + "\n";
        out += "Retards : " + std::to_string(r.stalls) +
               " (le plus long : " + std::to_string(r.longestStallUs) + " µs)\n";
    }
    out += "Position finale : X=";
    append_fixed(out, r.posX, 3);
    out += " Y=";
    append_fixed(out, r.posY, 3);
    out += " Z=";
    append_fixed(out, r.posZ, 3);
    out += "\nContrôle des impulsions : " + r.check + "\n";
    return out;
}

}  // namespace vexor
