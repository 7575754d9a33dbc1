// The stored settings of Plandor (FRAISE, ATTACHE, PLANCHE, GCODE) and of
// Vexor read from an arbitrary settings file: every value read lies within
// what the dialogs accept, and what is read, written back, reads again to the
// same values without a notice.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "machine_settings.h"
#include "plandor_doc.h"
#include "preferences.h"
#include "settings_store.h"

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

// A settings file as the user's store keeps it: "[SECTION]" lines, then
// "KEY=value" lines; a value that is not a whole int is unreadable as one.
class TextStore : public platform::SettingsStore {
  public:
    explicit TextStore(std::string_view bytes) {
        std::string section;
        while (!bytes.empty()) {
            const std::size_t end = bytes.find('\n');
            std::string_view line = trimmed(bytes.substr(0, end));
            bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
            if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
                section = std::string(line.substr(1, line.size() - 2));
            } else if (const std::size_t eq = line.find('='); eq != std::string_view::npos) {
                entries_[{section, std::string(trimmed(line.substr(0, eq)))}] =
                    std::string(trimmed(line.substr(eq + 1)));
            }
        }
    }
    int read_int(const std::string& section, const std::string& key,
                 int default_value) const override {
        int value = 0;
        return integer(section, key, value) ? value : default_value;
    }
    bool write_int(const std::string&, const std::string&, int) override { return false; }
    bool unreadable(const std::string& section, const std::string& key,
                    std::string& text) const override {
        int value = 0;
        const auto it = entries_.find({section, key});
        if (it == entries_.end() || integer(section, key, value)) {
            return false;
        }
        text = it->second;
        return true;
    }
    std::string read_text(const std::string& section, const std::string& key) const override {
        const auto it = entries_.find({section, key});
        return it == entries_.end() ? std::string() : it->second;
    }

  private:
    bool integer(const std::string& section, const std::string& key, int& value) const {
        const auto it = entries_.find({section, key});
        if (it == entries_.end()) {
            return false;
        }
        const std::string& t = it->second;
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
        return ec == std::errc() && end == t.data() + t.size();
    }
    std::map<std::pair<std::string, std::string>, std::string> entries_;
};

bool within(double v, double lo, double hi) {
    return v >= lo && v <= hi;
}

bool same_gcode(const common::GcodeSettings& a, const common::GcodeSettings& b) {
    return a.depth == b.depth && a.passDepth == b.passDepth && a.safeHeight == b.safeHeight &&
           a.tabHeight == b.tabHeight && a.cuttingFeed == b.cuttingFeed &&
           a.plungeFeed == b.plungeFeed && a.spindleSpeed == b.spindleSpeed &&
           a.dialect == b.dialect;
}

bool same_machine(const vexor::MachineSettings& a, const vexor::MachineSettings& b) {
    return a.StepX == b.StepX && a.StepY == b.StepY && a.StepZ == b.StepZ &&
           a.travelSpeedXY == b.travelSpeedXY && a.travelSpeedZ == b.travelSpeedZ &&
           a.cutSpeedXY == b.cutSpeedXY && a.cutSpeedZ == b.cutSpeedZ && a.ZBas == b.ZBas &&
           a.travelX == b.travelX && a.travelY == b.travelY && a.travelZ == b.travelZ &&
           a.PinXClk == b.PinXClk && a.PinXDir == b.PinXDir && a.PinXInv == b.PinXInv &&
           a.PinYClk == b.PinYClk && a.PinYDir == b.PinYDir && a.PinYInv == b.PinYInv &&
           a.PinZClk == b.PinZClk && a.PinZDir == b.PinZDir && a.PinZInv == b.PinZInv &&
           a.Lpt == b.Lpt && a.Backend == b.Backend && a.Device == b.Device && a.Baud == b.Baud;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TextStore store(std::string_view(reinterpret_cast<const char*>(data), size));

    const auto doc = std::make_unique<plandor::CPlandorDoc>(store);
    std::string error;
    if (!within(doc->cutterRadius, plandor::kRadiusRange.min, plandor::kRadiusRange.max) ||
        !within(doc->tabWidth, plandor::kTabWidthRange.min, plandor::kTabWidthRange.max) ||
        !within(doc->tabStep, plandor::kTabStepRange.min, plandor::kTabStepRange.max) ||
        !within(doc->boardWidth, plandor::kBoardRange.min, plandor::kBoardRange.max) ||
        !within(doc->boardLength, plandor::kBoardRange.min, plandor::kBoardRange.max) ||
        !common::check(doc->gcode, error)) {
        std::abort();
    }
    platform::MemorySettingsStore written;
    plandor::write_gcode_settings(written, doc->gcode);
    std::vector<std::string> notices;
    if (!same_gcode(plandor::read_gcode_settings(written, notices), doc->gcode) ||
        !notices.empty()) {
        std::abort();
    }

    const vexor::MachineSettings machine = vexor::load_machine_settings(store, &notices);
    platform::MemorySettingsStore saved;
    if (!vexor::save_machine_settings(machine, saved, error)) {
        std::abort();
    }
    notices.clear();
    if (!same_machine(vexor::load_machine_settings(saved, &notices), machine) || !notices.empty()) {
        std::abort();
    }
    return 0;
}
