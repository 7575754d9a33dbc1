#pragma once
// The preferences of the editor: the five settings as the dialog reads them
// (with the standard French messages of a refused field) and applies them.

#include <string>

#include "gcode_writer.h"
#include "plandor_doc.h"

namespace plandor {

struct PreferenceRange {
    bool integer = false;
    double min = 0;
    double max = 0;
};

inline constexpr PreferenceRange kRadiusRange{false, 0.0, 5.0};
inline constexpr PreferenceRange kTabWidthRange{false, 2.0, 10.0};
inline constexpr PreferenceRange kTabStepRange{false, 1.0, 10.0};
inline constexpr PreferenceRange kBoardRange{true, 10, 1000};
// The G-code settings: depths and heights in mm, feeds in mm/min, the
// spindle in rpm (0: no spindle command).
inline constexpr PreferenceRange kGcodeDepthRange{false, 0.01, 100.0};
inline constexpr PreferenceRange kGcodeTabHeightRange{false, 0.0, 100.0};
inline constexpr PreferenceRange kGcodeFeedRange{true, 1, 100000};
inline constexpr PreferenceRange kGcodeSpindleRange{true, 0, 100000};

// Reads one field: a number with a decimal point (a whole number for an
// integer field), blanks around it allowed, within the range. On refusal
// `message` is the standard text ("Tapez un nombre.", "Tapez un nombre
// entier compris entre 10 et 1000.", ...).
[[nodiscard]] bool read_preference(const std::string& text, const PreferenceRange& range,
                                   double& value, std::string& message);

// The text a field opens with: the shortest decimal text that reads back as
// the single-precision value (2.3f gives "2.3").
std::string preference_text(float value);

struct Preferences {
    float cutterRadius = 0;
    float tabWidth = 0;
    float tabStep = 0;
    int boardWidth = 0;
    int boardLength = 0;
    bool operator==(const Preferences&) const = default;
};

Preferences current_preferences(const CPlandorDoc& doc);

// The five entries of the user's store as they stand (lengths in hundredths
// of a mm), so that a change of the preferences can be undone in the store
// too. An entry that is missing reads as the document's default.
struct StoredPreferences {
    int cutterRadius = 0;
    int tabWidth = 0;
    int tabStep = 0;
    int boardWidth = 0;
    int boardLength = 0;
    bool operator==(const StoredPreferences&) const = default;
};

StoredPreferences read_stored_preferences(const platform::SettingsStore& settings);
void write_stored_preferences(platform::SettingsStore& settings, const StoredPreferences& stored);

// OK in the dialog: a new cutter radius recomputes every contour and places
// its tabs again; then the other settings are stored, and the five entries
// are written to the user's store (lengths in hundredths of a mm).
void apply_preferences(CPlandorDoc& doc, const Preferences& values,
                       platform::SettingsStore& settings);

// The G-code settings of the user's store, section GCODE (lengths in
// hundredths of a mm, feeds in mm/min, the spindle in rpm, the dialect 0 for
// grbl and 1 for linuxcnc). An entry that is not an integer, lies outside
// what the dialog accepts, or a pass deeper than the cut, gives the default
// with a French line in `notices`.
common::GcodeSettings read_gcode_settings(const platform::SettingsStore& settings,
                                          std::vector<std::string>& notices);
void write_gcode_settings(platform::SettingsStore& settings, const common::GcodeSettings& gcode);

}  // namespace plandor
